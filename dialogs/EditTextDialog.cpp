#include "dialogs/EditTextDialog.h"

#include "res/resource.h"

CEditTextDialog::CEditTextDialog(HWND owner) : CDialog(IDD_EDIT_TEXT, owner) {}

// The dialog manager focuses the first tab stop, the edit, with its text selected. An
// empty result is the caller's concern.
void CEditTextDialog::DoDataExchange(DataExchange& dx) {
    dx.Label(IDC_EDIT_PROMPT, prompt);
    dx.Text(IDC_EDIT_TEXT, text);
}
