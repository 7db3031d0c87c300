// Entry point: hands over to the one application object.
#include "app/VarnosetApp.h"

#include <windows.h>

namespace {
CVarnosetApp theApp;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return theApp.Run(instance); }
