#include "framework/SystemLibrary.h"

#include "framework/UniqueHandle.h"

#include <map>
#include <string>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace vs {

void RestrictLibrarySearchToSystem() {
    // Looked up rather than imported, so that the program still starts where the
    // function is missing (Windows 7 without its update); kernel32 is always loaded.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDirectories)
        (void)setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // The current folder leaves the search of the older LoadLibrary rules as well.
    (void)SetDllDirectoryW(L"");
}

FARPROC SystemLibraryFunction(const wchar_t* library, const char* name) {
    static std::map<std::wstring, UniqueModule> loaded;
    UniqueModule& module = loaded[library];
    if (!module)
        module.Reset(LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!module) {
        // Systems that do not know the search flag take the library by its full path.
        wchar_t folder[MAX_PATH];
        const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            module.Reset(LoadLibraryW((std::wstring(folder) + L"\\" + library).c_str()));
    }
    return module ? GetProcAddress(module.Get(), name) : nullptr;
}

} // namespace vs
