#pragma once
// The application object: the one global of the program. Run initialises it and calls
// InitInstance, which shows the main window and returns false when there is no message
// loop left to run.

#include <windows.h>

class CDialog;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    int Run(HINSTANCE instance);

    static CWinApp* Current();
    // The module holding the dialog templates, menus, icons and strings.
    static HINSTANCE ResourceModule();

    // The main dialog's window while it stands, else the window set last.
    HWND MainWindow() const;
    void SetMainWindow(HWND window) { mainWindow_ = window; }
    // A main window that is a dialog exists only while the dialog runs; keep the dialog.
    void SetMainDialog(const CDialog* dialog) { mainDialog_ = dialog; }

protected:
    virtual bool InitInstance() = 0;

private:
    HWND mainWindow_ = nullptr;
    const CDialog* mainDialog_ = nullptr;
};
