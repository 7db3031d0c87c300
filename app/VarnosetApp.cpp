#include "app/VarnosetApp.h"

#include <commctrl.h>
#include <objbase.h>

bool CVarnosetApp::InitInstance() {
    InitCommonControls();
    (void)CoInitialize(nullptr); // stays initialised until the process ends
    return false;
}
