#pragma once
// The application object: the one global of the program. Run initialises it and calls
// InitInstance, which shows the main window and returns false when there is no message
// loop left to run. Its main window is handed down to the dialogs as their default owner.

#include "framework/Dialog.h"

#include <windows.h>

class CWinApp {
public:
    CWinApp() = default;
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    int Run(HINSTANCE instance);

    // The main dialog's window while it stands, else the window set last.
    HWND MainWindow() const { return CDialog::DefaultOwner(); }
    void SetMainWindow(HWND window) { CDialog::SetDefaultOwner(window); }
    // A main window that is a dialog exists only while the dialog runs; keep the dialog.
    void SetMainDialog(const CDialog* dialog) { CDialog::SetDefaultOwnerDialog(dialog); }

protected:
    virtual bool InitInstance() = 0;
};
