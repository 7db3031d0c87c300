#include "ShellObjectInfo.h"

#include "InventoryView.h"
#include "RegKey.h"
#include "ShellNotify.h"

#include <climits>
#include <vector>

namespace vs {

namespace {

constexpr std::uint32_t kTextCapacity = 1000;
// "InfoTip" is queried with 1000 bytes, so at most 499 characters and the NUL fit.
constexpr std::uint32_t kInfoTipBytes = 1000;
constexpr std::uint32_t kIconLocationBytes = 260 * 2;
constexpr std::int32_t kDefaultSortOrderIndex = 256;

// The parsing name of an object inside its place's folder: the folder's own class
// identifier path, then "::" and the object's.
std::wstring ParsingName(int placeIndex, const std::wstring& clsid) {
    static constexpr const wchar_t* kPrefixes[4] = {
        L"",
        L"::{21EC2020-3AEA-1069-A2DD-08002b30309d}\\",
        L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\",
        L"::{7007ACC7-3202-11D1-AAD2-00805FC1270E}\\",
    };
    const wchar_t* prefix = placeIndex >= 0 && placeIndex < 8 ? kPrefixes[placeIndex % 4] : L"";
    return prefix + (L"::" + clsid);
}

// The shell's answer counts only when it gives some text: an empty display name would
// leave the row without a name, so the fallback stands instead.
bool TakeShellName(Platform& platform, const std::wstring& parsingName, std::uint32_t flags,
                   std::wstring& out) {
    std::optional<std::wstring> text = platform.DisplayName(parsingName, flags);
    if (!text || text->empty())
        return false;
    out = std::move(*text);
    return true;
}

// Queries a value into a buffer of `bytes` bytes and decodes what came back, bounded by
// the returned size and by the buffer, up to the first NUL: stored data need not be
// terminated nor of even size.
struct RawText {
    Status status = kFileNotFound;
    std::uint32_t type = kRegNone;
    std::wstring text;
};
RawText QueryText(RegistryStore& store, KeyHandle key, const wchar_t* name, std::uint32_t bytes) {
    RawText result;
    std::vector<std::uint8_t> buffer(bytes);
    std::uint32_t size = bytes;
    result.status = store.QueryValue(key, name, &result.type, buffer.data(), &size);
    if (result.status == kOk)
        result.text = FromUtf16Bytes(buffer.data(), size < bytes ? size : bytes);
    return result;
}

Status WriteString(RegistryStore& store, KeyHandle key, const wchar_t* name, const std::wstring& text) {
    const std::vector<std::uint8_t> bytes = ToUtf16Bytes(text);
    return store.SetValue(key, name, kRegSz, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

} // namespace

ShellObjectInfo ShellObjectInfo::Read(RegistryStore& store, Platform& platform, int placeIndex,
                                      const std::wstring& clsid) {
    ShellObjectInfo info;
    info.store_ = &store;
    info.platform_ = &platform;
    info.placeIndex = placeIndex;
    info.clsid = clsid;

    RegKey classKey(store);
    if (classKey.Open(ClassesRoot(), L"CLSID\\" + clsid) != kOk)
        return info;
    info.isOpen = true;

    const StringRead name = classKey.ReadString(L"", kTextCapacity);
    if (name.status == kOk && !name.text.empty()) {
        info.name = name.text;
    } else {
        info.name = clsid;
        info.parsingName = ParsingName(placeIndex, clsid);
        TakeShellName(platform, info.parsingName, kShgdnNormal, info.name);
    }

    // The type of "InfoTip" is looked at only to decide whether an indirect string is
    // expanded first.
    const RawText infoTip = QueryText(store, classKey.Get(), L"InfoTip", kInfoTipBytes);
    if (infoTip.status == kOk) {
        if (!infoTip.text.empty() && infoTip.text.front() == L'@') {
            const std::wstring source =
                infoTip.type == kRegExpandSz ? platform.ExpandEnvironment(infoTip.text) : infoTip.text;
            // A string the shell cannot resolve is shown as stored.
            std::optional<std::wstring> resolved = platform.LoadIndirectString(source);
            info.description = resolved ? std::move(*resolved) : infoTip.text;
        } else {
            info.description = infoTip.text;
        }
    }

    // Only a complete read replaces the default: a failed query may leave the buffer
    // in any state.
    std::uint8_t sortBytes[4];
    for (int i = 0; i < 4; ++i)
        sortBytes[i] =
            static_cast<std::uint8_t>(static_cast<std::uint32_t>(kDefaultSortOrderIndex) >> (8 * i));
    std::uint32_t sortType = 0;
    std::uint32_t sortSize = 4;
    if (store.QueryValue(classKey.Get(), L"SortOrderIndex", &sortType, sortBytes, &sortSize) == kOk) {
        const std::uint32_t value = sortBytes[0] | (sortBytes[1] << 8) | (sortBytes[2] << 16) |
                                    (static_cast<std::uint32_t>(sortBytes[3]) << 24);
        info.sortOrderIndex = static_cast<std::int32_t>(value);
    }

    RegKey subkey(store);
    if (subkey.Open(classKey.Get(), L"Instance\\InitPropertyBag") == kOk) {
        if (StringRead target = subkey.ReadString(L"Target", kTextCapacity); target.status == kOk)
            info.target = std::move(target.text);
        subkey.Close();
    } else if (subkey.Open(classKey.Get(), L"Shell\\Open\\Command") == kOk) {
        if (StringRead target = subkey.ReadString(L"", kTextCapacity); target.status == kOk)
            info.target = std::move(target.text);
        subkey.Close();
    }
    if (info.target.empty()) {
        info.target = clsid;
        info.parsingName = ParsingName(placeIndex, clsid);
        TakeShellName(platform, info.parsingName, kShgdnForParsing, info.target);
    }

    info.key = classKey.Get();
    RegistryStore* owner = &store;
    info.keyOwner_ = std::shared_ptr<KeyHandleTag>(classKey.Release(),
                                                   [owner](KeyHandle key) { (void)owner->CloseKey(key); });
    return info;
}

std::optional<std::wstring> ShellObjectInfo::ReadIconLocation() const {
    if (!isOpen)
        return std::nullopt;
    RegKey defaultIcon(*store_);
    if (defaultIcon.Open(key, L"DefaultIcon") != kOk)
        return std::nullopt;
    const RawText location = QueryText(*store_, defaultIcon.Get(), L"", kIconLocationBytes);
    if (location.status != kOk || (location.type != kRegSz && location.type != kRegExpandSz))
        return std::wstring();
    return location.text;
}

IconHandle ShellObjectInfo::LoadIcon(InventoryView& view, IconCache* cache) {
    std::optional<std::wstring> location = ReadIconLocation();
    if (!location)
        return nullptr;
    iconLocation = std::move(*location);
    if (cache) {
        if (auto known = cache->find(iconLocation); known != cache->end()) {
            imageIndex = known->second;
            return nullptr;
        }
    }
    const IconLocationParts parts = SplitIconLocation(iconLocation);
    IconHandle icon = platform_->ExtractIcon(parts.file, parts.index);
    imageIndex = view.AddIcon(icon);
    if (cache)
        cache->emplace(iconLocation, imageIndex);
    return icon;
}

void ShellObjectInfo::SetName(const std::wstring& text) {
    if (!isOpen)
        return;
    (void)WriteString(*store_, key, L"", text);
    name = text;
}

void ShellObjectInfo::SetDescription(const std::wstring& text) {
    if (!isOpen)
        return;
    (void)WriteString(*store_, key, L"InfoTip", text);
    description = text;
}

void ShellObjectInfo::SetIconLocation(const std::wstring& text) {
    if (!isOpen)
        return;
    RegKey defaultIcon(*store_);
    if (defaultIcon.Create(key, L"DefaultIcon") == kOk)
        (void)defaultIcon.SetString(L"", text);
}

void ShellObjectInfo::SetSortOrderIndex(std::int32_t value) {
    if (!isOpen)
        return;
    sortOrderIndex = value;
    const auto bits = static_cast<std::uint32_t>(value);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                                   static_cast<std::uint8_t>(bits >> 16),
                                   static_cast<std::uint8_t>(bits >> 24)};
    (void)store_->SetValue(key, L"SortOrderIndex", kRegDword, bytes, 4);
}

void ShellObjectInfo::Release() {
    --useCount;
    if (useCount != 0 || !isOpen)
        return;
    keyOwner_.reset();
    key = nullptr;
    RegKey classes(*store_);
    if (classes.Open(ClassesRoot(), L"CLSID") == kOk)
        (void)classes.DeleteTree(clsid.c_str());
    isOpen = false;
}

IdList ShellObjectInfo::FolderIdList() const {
    if (!platform_)
        return nullptr;
    return PlaceFolderIdList(*platform_, placeIndex);
}

IconLocationParts SplitIconLocation(const std::wstring& location) {
    IconLocationParts parts;
    const std::size_t comma = location.rfind(L',');
    if (comma == std::wstring::npos) {
        parts.file = location;
        return parts;
    }
    parts.file = location.substr(0, comma);
    std::size_t at = comma + 1;
    while (at < location.size() && (location[at] == L' ' || location[at] == L'\t' || location[at] == L'\n' ||
                                    location[at] == L'\r' || location[at] == L'\v' || location[at] == L'\f'))
        ++at;
    bool negative = false;
    if (at < location.size() && (location[at] == L'+' || location[at] == L'-'))
        negative = location[at++] == L'-';
    // Huge indexes clamp to the int range instead of overflowing.
    long long value = 0;
    for (; at < location.size() && location[at] >= L'0' && location[at] <= L'9'; ++at) {
        value = value * 10 + (location[at] - L'0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    parts.index = static_cast<int>(value);
    return parts;
}

} // namespace vs
