#include "framework/Elevation.h"

#include "framework/UniqueHandle.h"

#include <shellapi.h>

#include <vector>

bool WinElevation::IsElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    const UniqueKernelHandle owned(token);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!GetTokenInformation(owned.Get(), TokenElevation, &elevation, sizeof elevation, &size))
        return false;
    return elevation.TokenIsElevated != 0;
}

bool WinElevation::StartElevated(HWND owner) {
    // Long enough for any path Windows can start a program from.
    std::vector<wchar_t> path(32768);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size())
        return false;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC;
    info.hwnd = owner;
    info.lpVerb = L"runas";
    info.lpFile = path.data();
    info.nShow = SW_SHOWNORMAL;
    // The shell tells the user itself why a start failed; a declined prompt needs no word.
    return ShellExecuteExW(&info) != FALSE;
}
