#include "WinPlatform.h"

#include <windows.h>

#include <rpc.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <memory>

namespace vs {

namespace {

constexpr DWORD kTextCapacity = 1000;

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};
struct TaskMemFree {
    void operator()(void* memory) const { CoTaskMemFree(memory); }
};

} // namespace

std::optional<std::wstring> WinPlatform::NewUuidText() {
    UUID uuid;
    // RPC_S_UUID_LOCAL_ONLY still gives an identifier unique on this machine, which is
    // all a class key needs.
    const RPC_STATUS created = UuidCreate(&uuid);
    if (created != RPC_S_OK && created != RPC_S_UUID_LOCAL_ONLY)
        return std::nullopt;
    RPC_WSTR text = nullptr;
    if (UuidToStringW(&uuid, &text) != RPC_S_OK || !text)
        return std::nullopt;
    std::wstring result(reinterpret_cast<const wchar_t*>(text));
    RpcStringFreeW(&text);
    return result;
}

IdList WinPlatform::FolderLocation(int csidl) {
    PIDLIST_ABSOLUTE list = nullptr;
    if (FAILED(SHGetFolderLocation(nullptr, csidl, nullptr, 0, &list))) {
        CoTaskMemFree(list);
        return nullptr;
    }
    return reinterpret_cast<IdList>(list);
}

void WinPlatform::NotifyUpdateDir(IdList list) {
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_IDLIST, list, nullptr);
}

void WinPlatform::FreeIdList(IdList list) {
    CoTaskMemFree(list);
}

std::optional<std::wstring> WinPlatform::DisplayName(const std::wstring& parsingName, std::uint32_t flags) {
    IShellFolder* desktopFolder = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktopFolder)) || !desktopFolder)
        return std::nullopt;
    const std::unique_ptr<IShellFolder, ComRelease> desktop(desktopFolder);
    // ParseDisplayName takes a writable string.
    std::wstring name = parsingName;
    PIDLIST_RELATIVE parsed = nullptr;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &parsed, nullptr)) ||
        !parsed) {
        CoTaskMemFree(parsed);
        return std::nullopt;
    }
    const std::unique_ptr<ITEMIDLIST_RELATIVE, TaskMemFree> list(parsed);
    STRRET result = {};
    if (FAILED(desktop->GetDisplayNameOf(reinterpret_cast<PCUITEMID_CHILD>(list.get()),
                                         static_cast<SHGDNF>(flags), &result)))
        return std::nullopt;
    wchar_t text[kTextCapacity] = {};
    // StrRetToBufW frees the STRRET's own string whatever it returns.
    if (FAILED(StrRetToBufW(&result, reinterpret_cast<PCUITEMID_CHILD>(list.get()), text, kTextCapacity)))
        return std::nullopt;
    text[kTextCapacity - 1] = L'\0';
    // Wine answers an unknown identifier with an empty name; callers treat that as none.
    if (!text[0])
        return std::nullopt;
    return std::wstring(text);
}

std::optional<std::wstring> WinPlatform::LoadIndirectString(const std::wstring& source) {
    wchar_t text[kTextCapacity] = {};
    if (FAILED(SHLoadIndirectString(source.c_str(), text, kTextCapacity, nullptr)))
        return std::nullopt;
    text[kTextCapacity - 1] = L'\0';
    return std::wstring(text);
}

std::wstring WinPlatform::ExpandEnvironment(const std::wstring& text) {
    wchar_t expanded[kTextCapacity] = {};
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), expanded, kTextCapacity);
    // A failed or truncated expansion would be a wrong path; the text as stored is better.
    if (needed == 0 || needed > kTextCapacity)
        return text;
    expanded[kTextCapacity - 1] = L'\0';
    return std::wstring(expanded);
}

IconHandle WinPlatform::ExtractIcon(const std::wstring& path, int index) {
    // Index -1 asks ExtractIconW for the number of icons, not for an icon.
    if (index == -1)
        return nullptr;
    HICON icon = ExtractIconW(nullptr, path.c_str(), static_cast<UINT>(index));
    // 1 means "not a file with icons", not a handle.
    if (icon == reinterpret_cast<HICON>(1))
        return nullptr;
    return reinterpret_cast<IconHandle>(icon);
}

void WinPlatform::DestroyIcon(IconHandle icon) {
    if (icon)
        ::DestroyIcon(reinterpret_cast<HICON>(icon));
}

} // namespace vs
