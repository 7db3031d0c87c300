#include "framework/FileDialog.h"

#include "framework/Resources.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

std::wstring AskFileName(const FileDialogRequest& request, const std::wstring& start) {
    std::vector<wchar_t> buffer(request.capacity, L'\0');
    if (start.size() < buffer.size())
        std::copy(start.begin(), start.end(), buffer.begin());
    const std::wstring filter = LoadFilterString(request.filterId);
    const std::wstring title = LoadResourceString(request.titleId);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = request.owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = request.filterIndex;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = request.defaultExtension;
    dialog.Flags = request.flags;
    if (!(request.save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog)))
        return std::wstring();
    buffer.back() = L'\0';
    return buffer.data();
}
