#include "wizard/LocationIcon.h"

#include "store/ShellObjectInfo.h"

#include <shellapi.h>

std::wstring DefaultIconLocation() {
    std::wstring directory(MAX_PATH, L'\0');
    UINT length = GetWindowsDirectoryW(directory.data(), MAX_PATH);
    // A longer directory reports the size it needs instead of filling the buffer.
    if (length >= MAX_PATH) {
        directory.assign(length, L'\0');
        length = GetWindowsDirectoryW(directory.data(), length);
    }
    directory.resize(length < directory.size() ? length : 0);
    return directory + L"\\System32\\SHELL32.DLL,4";
}

namespace {

UniqueIcon ExtractFileIcon(const std::wstring& file, int index) {
    // -1 asks ExtractIconW for the number of icons, not for an icon.
    if (file.empty() || index == -1)
        return {};
    HICON icon = ExtractIconW(nullptr, file.c_str(), static_cast<UINT>(index));
    // 1 is ExtractIconW's answer for a file that is no program, library or icon file.
    if (icon == reinterpret_cast<HICON>(1))
        return {};
    return UniqueIcon(icon);
}

UniqueIcon LoadIconFile(const std::wstring& path) {
    return UniqueIcon(
        static_cast<HICON>(LoadImageW(nullptr, path.c_str(), IMAGE_ICON, 64, 64, LR_LOADFROMFILE)));
}

// The module is mapped as resources only, so whatever file the user types runs no code,
// and the icon is an owned copy, so the module can go again at once.
UniqueIcon LoadIconResource(const std::wstring& file, int index) {
    if (file.empty() || index < 1 || index > 0xFFFF)
        return {};
    UniqueModule module(
        LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!module)
        return {};
    return UniqueIcon(static_cast<HICON>(
        LoadImageW(module.Get(), MAKEINTRESOURCEW(index), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
}

} // namespace

UniqueIcon LoadLocationIcon(const std::wstring& location) {
    const vs::IconLocationParts parts = vs::SplitIconLocation(location);
    if (UniqueIcon icon = ExtractFileIcon(parts.file, parts.index))
        return icon;
    // A plain icon file whose path holds a comma: the whole text is its name.
    if (UniqueIcon icon = LoadIconFile(location))
        return icon;
    return LoadIconResource(parts.file, parts.index);
}
