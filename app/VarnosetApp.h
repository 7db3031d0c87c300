#pragma once
// The application object: starts the common controls and COM, runs the installed-objects
// dialog modally and returns.

#include "framework/WinApp.h"

class CVarnosetApp : public CWinApp {
protected:
    // Runs the main window to its end; false, since no message loop is left to run.
    bool InitInstance() override;
};
