#include "framework/WinApp.h"

// Dialogs opened after the application object went have no default owner.
CWinApp::~CWinApp() {
    CDialog::SetDefaultOwner(nullptr);
    CDialog::SetDefaultOwnerDialog(nullptr);
}

void CWinApp::SetMainDialog(CDialog* dialog) {
    mainDialog_ = dialog;
    CDialog::SetDefaultOwnerDialog(dialog);
}

int CWinApp::Run(HINSTANCE) {
    // The main dialog's own loop, rather than a modal one of the dialog manager, lets the
    // dialog see every message first: its keyboard accelerators need that.
    if (InitInstance() && mainDialog_)
        mainDialog_->RunMessageLoop();
    ExitInstance();
    return 0;
}
