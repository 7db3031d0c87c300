#include "framework/WinApp.h"

#include "framework/Dialog.h"

namespace {
CWinApp* currentApp = nullptr;
}

CWinApp::CWinApp() {
    currentApp = this;
}

CWinApp::~CWinApp() {
    if (currentApp == this)
        currentApp = nullptr;
}

CWinApp* CWinApp::Current() {
    return currentApp;
}

HWND CWinApp::MainWindow() const {
    if (mainDialog_ && mainDialog_->Hwnd())
        return mainDialog_->Hwnd();
    return mainWindow_;
}

HINSTANCE CWinApp::ResourceModule() {
    return GetModuleHandleW(nullptr);
}

int CWinApp::Run(HINSTANCE) {
    // The main window runs modally inside InitInstance; whatever it returns, there is
    // no message loop left to run afterwards.
    (void)InitInstance();
    return 0;
}
