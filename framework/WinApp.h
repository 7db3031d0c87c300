#pragma once
// The application object: the one global of the program. Run initialises it and calls
// InitInstance, which shows the main dialog modeless and returns whether there is a message
// loop to run; the loop runs until that dialog's window is gone, then ExitInstance cleans
// up. The main window is handed down to the dialogs as their default owner.

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
    // Its message loop (RunMessageLoop) is the one Run runs.
    void SetMainDialog(CDialog* dialog);

protected:
    virtual bool InitInstance() = 0;
    virtual void ExitInstance() {}

private:
    CDialog* mainDialog_ = nullptr;
};
