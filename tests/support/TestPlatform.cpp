#include "tests/support/TestPlatform.h"

#include <cstdio>

namespace vs::test {

namespace {
// Fake item-id lists carry the CSIDL they stand for.
struct FakeIdList {
    int csidl;
};

// The entry of key in table, or nothing.
template <typename Map, typename Key> std::optional<std::wstring> Lookup(const Map& table, const Key& key) {
    auto it = table.find(key);
    return it == table.end() ? std::nullopt : std::optional<std::wstring>(it->second);
}
} // namespace

std::optional<std::wstring> TestPlatform::NewUuidText() {
    if (failUuid)
        return std::nullopt;
    if (!uuids.empty()) {
        std::wstring next = uuids.front();
        uuids.erase(uuids.begin());
        return next;
    }
    wchar_t text[40];
    ++uuidCounter;
    std::swprintf(text, 40, L"%08x-0000-4000-8000-%012x", uuidCounter, uuidCounter);
    return std::wstring(text);
}

IdList TestPlatform::FolderLocation(int csidl) {
    folderQueries.push_back(csidl);
    if (failFolderLocation)
        return nullptr;
    ++liveIdLists;
    return reinterpret_cast<IdList>(new FakeIdList{csidl});
}

void TestPlatform::NotifyUpdateDir(IdList list) {
    notified.push_back(list ? reinterpret_cast<FakeIdList*>(list)->csidl : -1);
}

void TestPlatform::FreeIdList(IdList list) {
    --liveIdLists;
    delete reinterpret_cast<FakeIdList*>(list);
}

std::optional<std::wstring> TestPlatform::DisplayName(const std::wstring& parsingName, std::uint32_t flags) {
    displayNameQueries.emplace_back(parsingName, flags);
    return Lookup(displayNames, std::make_pair(parsingName, flags));
}

std::optional<std::wstring> TestPlatform::LoadIndirectString(const std::wstring& source) {
    indirectQueries.push_back(source);
    return Lookup(indirectStrings, source);
}

std::wstring TestPlatform::ExpandEnvironment(const std::wstring& text) {
    std::wstring result = text;
    for (const auto& [name, value] : environment) {
        const std::wstring token = L"%" + name + L"%";
        for (std::size_t at = result.find(token); at != std::wstring::npos;
             at = result.find(token, at + value.size()))
            result.replace(at, token.size(), value);
    }
    return result;
}

IconHandle TestPlatform::ExtractIcon(const std::wstring& path, int index) {
    extractCalls.emplace_back(path, index);
    auto it = iconFiles.find(path);
    if (it == iconFiles.end() || index < 0 || index >= it->second)
        return nullptr;
    ++liveIcons;
    nextIcon_ += 8;
    return reinterpret_cast<IconHandle>(nextIcon_);
}

void TestPlatform::DestroyIcon(IconHandle icon) {
    if (icon)
        --liveIcons;
}

} // namespace vs::test
