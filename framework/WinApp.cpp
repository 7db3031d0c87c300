#include "framework/WinApp.h"

// Dialogs opened after the application object went have no default owner.
CWinApp::~CWinApp() {
    CDialog::SetDefaultOwner(nullptr);
    CDialog::SetDefaultOwnerDialog(nullptr);
}

int CWinApp::Run(HINSTANCE) {
    // The main window runs modally inside InitInstance; whatever it returns, there is
    // no message loop left to run afterwards.
    (void)InitInstance();
    return 0;
}
