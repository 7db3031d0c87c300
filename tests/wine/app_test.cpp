// The application object run as the program runs it: the installed-objects dialog comes
// up as the main window with its own message loop, and closing it ends the run and saves
// the settings.

#include "app/VarnosetApp.h"
#include "mainwnd/WindowSettings.h"
#include "store/WinRegistry.h"
#include "tests/support/RegistryTree.h"
#include "tests/wine/ModalScript.h"
#include "tests/wine/UiDriver.h"

#include <gtest/gtest.h>

namespace {

TEST(Application, RunsTheMainDialogsLoopAndSavesTheSettingsWhenItCloses) {
    vs::WinRegistry store;
    vs::test::RemoveTree(store, vs::CurrentUser(), vs::kSettingsKeyPath);
    CVarnosetApp app;
    HWND shown = nullptr;
    RECT opened{};
    vs::test::ModalScript driver;
    driver
        .Await([&] {
            shown = uitest::FindDialog(L"Varnoset (x64) Version 3.21");
            if (!shown)
                return false;
            EXPECT_EQ(app.MainWindow(), shown);
            GetWindowRect(shown, &opened);
            SetWindowPos(shown, nullptr, 30, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            PostMessageW(shown, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return true;
        })
        .Start();

    EXPECT_EQ(app.Run(GetModuleHandleW(nullptr)), 0);
    EXPECT_TRUE(driver.Completed());
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(app.MainWindow(), nullptr);
    EXPECT_FALSE(IsWindow(shown));

    // First run: the window opened at the top-left corner; where it was moved to is saved.
    EXPECT_EQ(opened.left, 0);
    EXPECT_EQ(opened.top, 0);
    const vs::WindowSettings saved = vs::LoadWindowSettings(store);
    EXPECT_EQ(saved.expertMode, 0);
    const RECT moved{30, 20, 30 + opened.right, 20 + opened.bottom};
    EXPECT_TRUE(EqualRect(&saved.placement, &moved));
    vs::test::RemoveTree(store, vs::CurrentUser(), vs::kSettingsKeyPath);
}

} // namespace
