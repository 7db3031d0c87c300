#pragma once
// The application object: starts the common controls and COM, shows the installed-objects
// dialog as the main window and runs its message loop until it closes.

#include "framework/WinApp.h"
#include "mainwnd/DeleteObject.h"
#include "store/WinPlatform.h"
#include "store/WinRegistry.h"

#include <memory>

class CVarnosetApp : public CWinApp {
protected:
    // Shows the main window; false when it could not be created.
    bool InitInstance() override;
    // Destroys the main window's dialog, which saves the settings.
    void ExitInstance() override;

private:
    vs::WinRegistry registry_;
    vs::WinPlatform platform_;
    std::unique_ptr<CDeleteObject> dialog_;
};
