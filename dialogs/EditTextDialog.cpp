#include "dialogs/EditTextDialog.h"

#include "res/resource.h"

#include <utility>

CEditTextDialog::CEditTextDialog(std::wstring prompt, std::wstring& text, HWND owner)
    : CDialog(IDD_EDIT_TEXT, owner), prompt_(std::move(prompt)), text_(text) {}

// The caller's text goes into the edit at start and comes back from it on OK; an empty
// result is the caller's concern.
void CEditTextDialog::DoDataExchange(DataExchange& dx) {
    dx.Control(IDC_EDIT_PROMPT, promptControl_);
    dx.Text(IDC_EDIT_TEXT, text_);
}

bool CEditTextDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowTextW(promptControl_, prompt_.c_str());
    // The dialog manager focuses the first tab stop, the edit, with its text selected.
    return true;
}
