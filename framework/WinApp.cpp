#include "framework/WinApp.h"

namespace {
CWinApp* currentApp = nullptr;
}

CWinApp::CWinApp() { currentApp = this; }

CWinApp::~CWinApp() {
    if (currentApp == this)
        currentApp = nullptr;
}

CWinApp* CWinApp::Current() { return currentApp; }

HINSTANCE CWinApp::ResourceModule() { return GetModuleHandleW(nullptr); }

int CWinApp::Run(HINSTANCE) {
    // The main window runs modally inside InitInstance; whatever it returns, there is
    // no message loop left to run afterwards.
    (void)InitInstance();
    return 0;
}
