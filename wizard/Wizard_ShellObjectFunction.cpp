#include "wizard/Wizard_ShellObjectFunction.h"

#include "framework/Resources.h"
#include "framework/UniqueHandle.h"
#include "res/resource.h"

#include <commdlg.h>
#include <shlobj.h>

namespace {
// Item-id lists from the folder browser belong to the shell's allocator.
struct ShellAllocatorDeleter {
    void operator()(LPITEMIDLIST list) const {
        IMalloc* allocator = nullptr;
        if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator) {
            allocator->Free(list);
            allocator->Release();
        }
    }
};
using ShellItemIdList = UniqueHandle<LPITEMIDLIST, ShellAllocatorDeleter>;
} // namespace

Wizard_ShellObjectFunction::Wizard_ShellObjectFunction(vs::ShellObjectSpec& request)
    : CPropertyPage(IDD_WIZARD_FUNCTION), request_(request) {}

void Wizard_ShellObjectFunction::DoDataExchange(DataExchange& dx) {
    dx.Text(IDC_FOLDER_EDIT, request_.folderTarget);
    dx.Text(IDC_PROGRAM_EDIT, request_.programCommand);
    dx.Check(IDC_FUNCTION_FOLDER, request_.isFolder);
}

bool Wizard_ShellObjectFunction::HandleMessage(const Message& msg, LRESULT& result) {
    using Page = Wizard_ShellObjectFunction;
    static constexpr MessageEntry<Page> kMessages[] = {
        {WM_COMMAND, BN_CLICKED, IDC_FUNCTION_FOLDER, IDC_FUNCTION_FOLDER, &Page::OnFolderChoice},
        {WM_COMMAND, BN_CLICKED, IDC_FUNCTION_PROGRAM, IDC_FUNCTION_PROGRAM, &Page::OnProgramChoice},
        {WM_COMMAND, EN_CHANGE, IDC_FOLDER_EDIT, IDC_FOLDER_EDIT, &Page::OnTargetChanged},
        {WM_COMMAND, EN_CHANGE, IDC_PROGRAM_EDIT, IDC_PROGRAM_EDIT, &Page::OnTargetChanged},
        {WM_COMMAND, BN_CLICKED, IDC_FOLDER_BROWSE, IDC_FOLDER_BROWSE, &Page::OnChooseFolder},
        {WM_COMMAND, BN_CLICKED, IDC_PROGRAM_BROWSE, IDC_PROGRAM_BROWSE, &Page::OnChooseFile},
    };
    return Route(this, kMessages, msg, result) || CPropertyPage::HandleMessage(msg, result);
}

bool Wizard_ShellObjectFunction::OnInitDialog() {
    const bool defaultFocus = CPropertyPage::OnInitDialog();
    EnableChoice(request_.isFolder);
    return defaultFocus;
}

void Wizard_ShellObjectFunction::EnableChoice(bool folder) {
    EnableWindow(Item(IDC_FOLDER_EDIT), folder);
    EnableWindow(Item(IDC_FOLDER_BROWSE), folder);
    EnableWindow(Item(IDC_PROGRAM_EDIT), !folder);
    EnableWindow(Item(IDC_PROGRAM_BROWSE), !folder);
}

LRESULT Wizard_ShellObjectFunction::OnFolderChoice(const Message&) {
    EnableChoice(true);
    UpdateWizardButtons();
    return 0;
}

LRESULT Wizard_ShellObjectFunction::OnProgramChoice(const Message&) {
    EnableChoice(false);
    UpdateWizardButtons();
    return 0;
}

LRESULT Wizard_ShellObjectFunction::OnTargetChanged(const Message&) {
    UpdateWizardButtons();
    return 0;
}

// Only the edit of the chosen kind counts; the other one keeps its text for a change of mind.
DWORD Wizard_ShellObjectFunction::WizardButtons() const {
    const int edit =
        IsDlgButtonChecked(hwnd_, IDC_FUNCTION_FOLDER) == BST_CHECKED ? IDC_FOLDER_EDIT : IDC_PROGRAM_EDIT;
    const bool hasTarget = GetWindowTextLengthW(Item(edit)) > 0;
    return hasTarget ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK;
}

LRESULT Wizard_ShellObjectFunction::OnChooseFolder(const Message&) {
    wchar_t displayName[MAX_PATH] = L"";
    const std::wstring title = LoadResourceString(IDS_CHOOSE_FOLDER);
    BROWSEINFOW info{};
    info.hwndOwner = hwnd_;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    ShellItemIdList chosen(SHBrowseForFolderW(&info));
    if (!chosen)
        return 0;
    wchar_t path[MAX_PATH] = L"";
    // The edit's EN_CHANGE sets the buttons.
    if (SHGetPathFromIDListW(chosen.Get(), path))
        SetDlgItemTextW(hwnd_, IDC_FOLDER_EDIT, path);
    return 0;
}

LRESULT Wizard_ShellObjectFunction::OnChooseFile(const Message&) {
    wchar_t path[MAX_PATH] = L"";
    const std::wstring filter = LoadFilterString(IDS_ALL_FILES_FILTER);
    const std::wstring title = LoadResourceString(IDS_CHOOSE_FILE);
    OPENFILENAMEW request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = hwnd_;
    request.lpstrFilter = filter.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = path;
    request.nMaxFile = MAX_PATH;
    request.lpstrTitle = title.c_str();
    // The program need not exist yet, and choosing it is no reason to list it as recent.
    request.Flags = OFN_DONTADDTORECENT;
    // Taken as returned, unquoted: the user adds quotes or arguments in the edit if needed.
    if (GetOpenFileNameW(&request))
        SetDlgItemTextW(hwnd_, IDC_PROGRAM_EDIT, path);
    return 0;
}

LRESULT Wizard_ShellObjectFunction::OnWizardNext() {
    return UpdateData(true) ? 0 : -1;
}
