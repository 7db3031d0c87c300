#include "app/VarnosetApp.h"

#include "mainwnd/DeleteObject.h"
#include "store/WinPlatform.h"
#include "store/WinRegistry.h"

#include <commctrl.h>
#include <objbase.h>

bool CVarnosetApp::InitInstance() {
    InitCommonControls();
    (void)CoInitialize(nullptr); // stays initialised until the process ends
    vs::WinRegistry registry;
    vs::WinPlatform platform;
    {
        // Building the dialog loads the settings; destroying it saves them.
        CDeleteObject dialog(registry, platform);
        SetMainDialog(&dialog);
        (void)dialog.DoModal(); // closing is the only way out; nothing follows from how
        SetMainDialog(nullptr);
    }
    return false; // no message loop left to run
}
