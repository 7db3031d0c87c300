#pragma once
// The application object: the one global of the program. Run initialises it and calls
// InitInstance, which shows the main window and returns false when there is no message
// loop left to run.

#include <windows.h>

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

    HWND MainWindow() const { return mainWindow_; }
    void SetMainWindow(HWND window) { mainWindow_ = window; }

protected:
    virtual bool InitInstance() = 0;

private:
    HWND mainWindow_ = nullptr;
};
