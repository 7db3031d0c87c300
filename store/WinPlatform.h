#pragma once
// The platform services of the Windows build: rpcrt4 for class identifiers, shell32 and
// shlwapi for folders, notifications, display names, indirect strings and icons, kernel32
// for environment expansion. COM must be initialised on the calling thread.

// windows.h first: Platform.h then removes its ExtractIcon macro for good, whatever
// the including file brings in later.
#include <windows.h>

#include "Platform.h"

namespace vs {

// Not final: a test may record what it asks of the real services.
class WinPlatform : public Platform {
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
};

} // namespace vs
