#pragma once
// The platform services the store needs beyond the registry: class identifiers, shell
// folders and change notifications, display names, indirect strings, environment
// expansion and icon extraction. The Windows build passes the real shell32/rpcrt4
// calls (WinPlatform); tests pass a recording stand-in.

#include <cstdint>
#include <optional>
#include <string>

// shellapi.h (through windows.h) maps ExtractIcon to ExtractIconW; the interface keeps
// its own name in every file that includes it after windows.h.
#ifdef ExtractIcon
#undef ExtractIcon
#endif

namespace vs {

struct IdListTag;
using IdList = IdListTag*; // an item-identifier list (PIDL), freed with FreeIdList
struct IconTag;
using IconHandle = IconTag*; // an HICON

inline constexpr std::uint32_t kShgdnNormal = 0;
inline constexpr std::uint32_t kShgdnForParsing = 0x8000;

class Platform {
public:
    virtual ~Platform() = default;

    // UuidCreate + UuidToStringW: the bare lower-case 8-4-4-4-12 text, or nothing.
    virtual std::optional<std::wstring> NewUuidText() = 0;

    // SHGetFolderLocation(null, csidl, null, 0, out); null when it fails.
    virtual IdList FolderLocation(int csidl) = 0;
    // SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_IDLIST, list, null); list may be null.
    virtual void NotifyUpdateDir(IdList list) = 0;
    // CoTaskMemFree.
    virtual void FreeIdList(IdList list) = 0;

    // The desktop folder's ParseDisplayName + GetDisplayNameOf + StrRetToBufW (1000
    // characters); nothing when any step fails.
    virtual std::optional<std::wstring> DisplayName(const std::wstring& parsingName, std::uint32_t flags) = 0;
    // SHLoadIndirectString into 1000 characters; nothing when it fails.
    virtual std::optional<std::wstring> LoadIndirectString(const std::wstring& source) = 0;
    // ExpandEnvironmentStringsW with an output capacity of 1000 characters.
    virtual std::wstring ExpandEnvironment(const std::wstring& text) = 0;

    // ExtractIconW(null instance, path, index); null when none could be extracted.
    virtual IconHandle ExtractIcon(const std::wstring& path, int index) = 0;
    virtual void DestroyIcon(IconHandle icon) = 0;
};

} // namespace vs
