#include "app/VarnosetApp.h"

#include <commctrl.h>
#include <objbase.h>

bool CVarnosetApp::InitInstance() {
    InitCommonControls();
    (void)CoInitialize(nullptr); // stays initialised until the process ends
    // Building the dialog loads the settings; destroying it saves them.
    dialog_ = std::make_unique<CDeleteObject>(registry_, platform_);
    SetMainDialog(dialog_.get());
    dialog_->FillAfterShowing();
    HWND window = dialog_->CreateModeless();
    if (!window)
        return false;
    ShowWindow(window, SW_SHOW);
    return true;
}

void CVarnosetApp::ExitInstance() {
    SetMainDialog(nullptr);
    dialog_.reset();
}
