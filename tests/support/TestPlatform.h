#pragma once
// A recording stand-in for the platform services: it remembers which folders were
// notified, in order, and answers display names, indirect strings and icons from tables
// the test fills.

#include "store/Platform.h"

#include <map>
#include <string>
#include <vector>

namespace vs::test {

class TestPlatform : public Platform {
public:
    std::optional<std::wstring> NewUuidText() override;
    IdList FolderLocation(int csidl) override;
    void NotifyUpdateDir(IdList list) override;
    void FreeIdList(IdList list) override;
    std::optional<std::wstring> DisplayName(const std::wstring& parsingName, std::uint32_t flags) override;
    std::optional<std::wstring> LoadIndirectString(const std::wstring& source) override;
    std::wstring ExpandEnvironment(const std::wstring& text) override;
    IconHandle ExtractIcon(const std::wstring& path, int index) override;
    void DestroyIcon(IconHandle icon) override;

    // Class identifiers handed out in order; when empty, generated ones; failUuid makes
    // the generation fail.
    std::vector<std::wstring> uuids;
    bool failUuid = false;
    int uuidCounter = 0;

    // CSIDLs of the folders notified, in order; -1 for a notification with a null list.
    std::vector<int> notified;
    // CSIDLs asked of FolderLocation, in order.
    std::vector<int> folderQueries;
    bool failFolderLocation = false;
    int liveIdLists = 0;

    // (parsing name, flags) -> display name; a missing entry fails the look-up.
    std::map<std::pair<std::wstring, std::uint32_t>, std::wstring> displayNames;
    std::vector<std::pair<std::wstring, std::uint32_t>> displayNameQueries;
    // indirect source -> text; a missing entry fails.
    std::map<std::wstring, std::wstring> indirectStrings;
    std::vector<std::wstring> indirectQueries;
    // %NAME% -> value for ExpandEnvironment.
    std::map<std::wstring, std::wstring> environment;

    // Icon files: path -> number of icons. ExtractIcon hands out distinct fake handles.
    std::map<std::wstring, int> iconFiles;
    std::vector<std::pair<std::wstring, int>> extractCalls;
    int liveIcons = 0;

private:
    std::uintptr_t nextIcon_ = 0x10000;
};

} // namespace vs::test
