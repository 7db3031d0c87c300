// Entry point: hands over to the one application object.
#include "app/VarnosetApp.h"
#include "framework/SystemLibrary.h"

#include <windows.h>

namespace {
CVarnosetApp theApp;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    vs::RestrictLibrarySearchToSystem();
    return theApp.Run(instance);
}
