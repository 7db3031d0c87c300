#pragma once
// Where the program's DLLs come from. A DLL that is not one of Windows' known DLLs would
// be looked for in the program's own folder first, so a file of that name beside the
// .exe (a Downloads folder, say) would run with the program's rights. The program
// therefore imports only known DLLs and takes every other library from the system
// folder when it first needs it.

#include <windows.h>

namespace vs {

// Leaves only the system folder in the search path of every later library load; the
// first thing the program does.
void RestrictLibrarySearchToSystem();

// The exported function name of a library in the system folder, loaded there on first use
// and kept until the process ends; null when either cannot be found.
FARPROC SystemLibraryFunction(const wchar_t* library, const char* name);

template <class Function> Function SystemLibraryFunction(const wchar_t* library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemLibraryFunction(library, name)));
}

} // namespace vs
