#include "tests/wine/WizardDriver.h"

#include "res/resource.h"

#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

namespace vs::test {

namespace {
constexpr int kBackButton = 0x3023;
constexpr int kNextButton = 0x3024;
constexpr int kFinishButton = 0x3025;
} // namespace

HWND FindWizard() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            if (IsWindowVisible(window) && IsPropertySheet(window)) {
                *reinterpret_cast<HWND*>(param) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND CurrentPage(HWND sheet) {
    return sheet ? reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)) : nullptr;
}

int CurrentStep(HWND sheet) {
    const HWND page = CurrentPage(sheet);
    if (!page)
        return 0;
    return static_cast<int>(SendMessageW(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0)) + 1;
}

unsigned EnabledButtons(HWND sheet) {
    unsigned flags = 0;
    if (IsWindowEnabled(GetDlgItem(sheet, kBackButton)))
        flags |= PSWIZB_BACK;
    if (IsWindowEnabled(GetDlgItem(sheet, kNextButton)))
        flags |= PSWIZB_NEXT;
    if (IsWindowEnabled(GetDlgItem(sheet, kFinishButton)))
        flags |= PSWIZB_FINISH;
    return flags;
}

bool IsChecked(HWND page, int id) {
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}
bool IsItemEnabled(HWND page, int id) {
    return IsWindowEnabled(GetDlgItem(page, id)) != FALSE;
}

WizardDriver& WizardDriver::AwaitStep(int step) {
    script_.Await([step] { return CurrentStep(FindWizard()) == step; },
                  "wizard step " + std::to_string(step));
    return *this;
}

WizardDriver& WizardDriver::Do(std::function<void(HWND sheet, HWND page)> action) {
    script_.Do([action] {
        const HWND sheet = FindWizard();
        ASSERT_NE(sheet, nullptr) << "no wizard on screen";
        action(sheet, CurrentPage(sheet));
    });
    return *this;
}

WizardDriver& WizardDriver::SetText(int id, std::wstring text) {
    return Do([id, text](HWND, HWND page) {
        ASSERT_NE(GetDlgItem(page, id), nullptr) << "no control " << id;
        SetDlgItemTextW(page, id, text.c_str());
    });
}

WizardDriver& WizardDriver::Type(int id, std::wstring text) {
    for (wchar_t c : text) {
        Do([id, c](HWND, HWND page) {
            const HWND edit = GetDlgItem(page, id);
            ASSERT_NE(edit, nullptr) << "no control " << id;
            const int end = GetWindowTextLengthW(edit);
            SendMessageW(edit, EM_SETSEL, end, end);
            SendMessageW(edit, WM_CHAR, c, 1);
        });
    }
    return *this;
}

WizardDriver& WizardDriver::Click(int id) {
    return Do([id](HWND, HWND page) {
        const HWND control = GetDlgItem(page, id);
        ASSERT_NE(control, nullptr) << "no control " << id;
        EXPECT_TRUE(IsWindowEnabled(control)) << "clicking disabled control " << id;
        SendMessageW(control, BM_CLICK, 0, 0);
    });
}

WizardDriver& WizardDriver::ExpectButtons(unsigned flags) {
    return Do([flags](HWND sheet, HWND page) {
        EXPECT_EQ(EnabledButtons(sheet), flags)
            << "on step " << CurrentStep(sheet) << " (" << static_cast<const void*>(page) << ")";
    });
}

WizardDriver& WizardDriver::Press(int button, unsigned requiredFlag) {
    return Do([button, requiredFlag](HWND sheet, HWND) {
        // A user can press only an enabled button.
        ASSERT_TRUE(EnabledButtons(sheet) & requiredFlag)
            << "button " << button << " is disabled on step " << CurrentStep(sheet);
        PostMessageW(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
    });
}

WizardDriver& WizardDriver::Next(int toStep) {
    Press(PSBTN_NEXT, PSWIZB_NEXT);
    return AwaitStep(toStep);
}

WizardDriver& WizardDriver::Back(int toStep) {
    Press(PSBTN_BACK, PSWIZB_BACK);
    return AwaitStep(toStep);
}

WizardDriver& WizardDriver::Finish() {
    return Press(PSBTN_FINISH, PSWIZB_FINISH);
}

WizardDriver& WizardDriver::Cancel() {
    script_.Do([] {
        const HWND sheet = FindWizard();
        ASSERT_NE(sheet, nullptr);
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    return *this;
}

WizardDriver& WizardDriver::WalkTo(int fromStep, int toStep) {
    for (int step = fromStep; step < toStep; ++step) {
        switch (step) {
        case 1:
            SetText(IDC_NAME_EDIT, L"Test");
            break;
        case 2:
            SetText(IDC_FOLDER_EDIT, L"C:\\");
            break;
        case 4:
            Click(IDC_PLACE_DESKTOP);
            break;
        default:
            break;
        }
        Next(step + 1);
    }
    return *this;
}

} // namespace vs::test
