#include "framework/VersionInfo.h"

#include "framework/Resources.h"
#include "res/resource.h"

#include "framework/SystemLibrary.h"

#include <windows.h>

#include <cwchar>
#include <optional>
#include <vector>

namespace vs {

namespace {

// version.dll is not a known DLL, so it comes from the system folder at run time.
using GetFileVersionInfoSizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
using GetFileVersionInfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
using VerQueryValueFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

// One entry of the string table of the program's own version resource, found through the
// first language/code-page pair of the translation table.
std::optional<std::wstring> QueryOwnVersionString(const wchar_t* entry) {
    wchar_t path[1024] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, 1024);
    if (length == 0 || length >= 1024)
        return std::nullopt;
    const auto getSize =
        SystemLibraryFunction<GetFileVersionInfoSizeFn>(L"version.dll", "GetFileVersionInfoSizeW");
    const auto getInfo = SystemLibraryFunction<GetFileVersionInfoFn>(L"version.dll", "GetFileVersionInfoW");
    const auto queryValue = SystemLibraryFunction<VerQueryValueFn>(L"version.dll", "VerQueryValueW");
    if (!getSize || !getInfo || !queryValue)
        return std::nullopt;
    DWORD ignored = 0;
    const DWORD size = getSize(path, &ignored);
    if (size == 0)
        return std::nullopt;
    std::vector<BYTE> block(size);
    if (!getInfo(path, 0, size, block.data()))
        return std::nullopt;

    struct Translation {
        WORD language;
        WORD codePage;
    };
    void* translations = nullptr;
    UINT translationsSize = 0;
    if (!queryValue(block.data(), L"\\VarFileInfo\\Translation", &translations, &translationsSize) ||
        translationsSize < sizeof(Translation))
        return std::nullopt;
    const auto* first = static_cast<const Translation*>(translations);

    wchar_t query[128];
    std::swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%ls", first->language, first->codePage, entry);
    void* text = nullptr;
    UINT textLength = 0;
    if (!queryValue(block.data(), query, &text, &textLength) || !text)
        return std::nullopt;
    // The length counts the terminator when there is one; never read past it.
    const auto* chars = static_cast<const wchar_t*>(text);
    std::wstring value(chars, textLength);
    value.resize(std::wcslen(value.c_str()));
    return value;
}

} // namespace

std::wstring GetProductVersion() {
    return QueryOwnVersionString(L"ProductVersion").value_or(L"0, 0, 0, 0");
}

std::wstring GetProductName() {
    if (auto name = QueryOwnVersionString(L"ProductName"))
        return *name;
    return LoadResourceString(IDS_UNNAMED_PRODUCT);
}

std::wstring NormalizeVersion(std::wstring version, bool trimZeros) {
    for (std::size_t at = version.find(L", "); at != std::wstring::npos; at = version.find(L", ", at + 1))
        version.replace(at, 2, L".");
    if (!trimZeros)
        return version;
    // Only whole zero components go: "3.10" must not turn into "3.1".
    std::size_t at = 0;
    while ((at = version.find(L".0", at)) != std::wstring::npos) {
        const bool wholeComponent = at + 2 == version.size() || version[at + 2] == L'.';
        if (wholeComponent)
            version.erase(at, 2);
        else
            at += 2;
    }
    return version;
}

std::wstring FormatVersionTitle(const std::wstring& productName, const std::wstring& productVersion,
                                bool trimZeros) {
    return FormatResourceString(IDS_VERSION_TITLE,
                                {productName, NormalizeVersion(productVersion, trimZeros)});
}

std::wstring GetVersionTitle(bool trimZeros) {
    return FormatVersionTitle(GetProductName(), GetProductVersion(), trimZeros);
}

} // namespace vs
