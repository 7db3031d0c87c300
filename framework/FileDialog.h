#pragma once
// The system's dialog to open or save a file, asked for one file name.

#include <windows.h>

#include <cstddef>
#include <string>

struct FileDialogRequest {
    HWND owner = nullptr;
    UINT filterId = 0; // a filter in the string table (see LoadFilterString)
    UINT titleId = 0;
    DWORD filterIndex = 0;
    const wchar_t* defaultExtension = nullptr;
    DWORD flags = 0;
    bool save = false;
    // The characters the dialog may write, its NUL included.
    std::size_t capacity = MAX_PATH;
};

// The name chosen, or an empty text when the dialog was cancelled. The dialog starts with
// start when it fits in the capacity and with an empty name otherwise: a name cut short
// could be that of some other file.
std::wstring AskFileName(const FileDialogRequest& request, const std::wstring& start);
