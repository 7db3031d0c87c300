#include "tests/wine/WizardDriver.h"

#include "res/resource.h"
#include "tests/support/RegistryTree.h"
#include "tests/wine/UiDriver.h"

#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <utility>

namespace vs::test {

namespace {
constexpr int kBackButton = 0x3023;
constexpr int kNextButton = 0x3024;
constexpr int kFinishButton = 0x3025;
} // namespace

HWND FindWizard() {
    return uitest::FindThreadDialog(IsPropertySheet);
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
    for (const auto& [id, flag] :
         {std::pair{kBackButton, PSWIZB_BACK}, {kNextButton, PSWIZB_NEXT}, {kFinishButton, PSWIZB_FINISH}})
        flags |= IsWindowEnabled(GetDlgItem(sheet, id)) ? flag : 0u;
    return flags;
}

namespace {
// "Back|Next" for PSWIZB_BACK | PSWIZB_NEXT; "none" for 0.
std::string ButtonNames(unsigned flags) {
    std::string names;
    for (const auto& [flag, name] :
         {std::pair{PSWIZB_BACK, "Back"}, {PSWIZB_NEXT, "Next"}, {PSWIZB_FINISH, "Finish"}}) {
        if (!(flags & flag))
            continue;
        if (!names.empty())
            names += '|';
        names += name;
    }
    return names.empty() ? "none" : names;
}

// The dialog a page's button opened over the wizard, or null.
HWND FindChooser() {
    const HWND wizard = FindWizard();
    return wizard ? uitest::FindOwnedDialog(wizard) : nullptr;
}
} // namespace

WizardDriver& WizardDriver::AwaitStep(int step, Where where) {
    script_.Await([step] { return CurrentStep(FindWizard()) == step; }, "wizard step " + std::to_string(step),
                  ModalScript::kWaitMs, where);
    return *this;
}

WizardDriver& WizardDriver::Do(std::function<void(HWND sheet, HWND page)> action, Where where) {
    return Step(where, std::move(action));
}

WizardDriver& WizardDriver::Step(Where where, std::function<void(HWND sheet, HWND page)> action) {
    script_.Do(
        [action, where] {
            const HWND sheet = FindWizard();
            if (!sheet)
                return FailAt(where, "no wizard on screen");
            action(sheet, CurrentPage(sheet));
        },
        where);
    return *this;
}

WizardDriver& WizardDriver::OnControl(Where where, int id, std::function<void(HWND control)> action) {
    return Step(where, [id, action, where](HWND sheet, HWND page) {
        if (const HWND control = GetDlgItem(page, id))
            return action(control);
        FailAt(where, "no control " + std::to_string(id) + " on step " + std::to_string(CurrentStep(sheet)));
    });
}

WizardDriver& WizardDriver::SetText(int id, std::wstring text, Where where) {
    return OnControl(where, id, [text](HWND edit) { SetWindowTextW(edit, text.c_str()); });
}

WizardDriver& WizardDriver::Type(int id, std::wstring text, Where where) {
    for (wchar_t c : text) {
        OnControl(where, id, [c](HWND edit) {
            const int end = GetWindowTextLengthW(edit);
            SendMessageW(edit, EM_SETSEL, end, end);
            SendMessageW(edit, WM_CHAR, c, 1);
        });
    }
    return *this;
}

WizardDriver& WizardDriver::Click(int id, Where where) {
    return OnControl(where, id, [id, where](HWND control) {
        ExpectAt(IsWindowEnabled(control) != FALSE, where, "clicking disabled control " + std::to_string(id));
        SendMessageW(control, BM_CLICK, 0, 0);
    });
}

WizardDriver& WizardDriver::ExpectText(int id, std::wstring text, Where where) {
    return OnControl(where, id, [id, text, where](HWND control) {
        ExpectAt(uitest::WindowText(control) == text, where,
                 "control " + std::to_string(id) + " shows " + Narrow(uitest::WindowText(control)));
    });
}

WizardDriver& WizardDriver::ExpectEach(Where where, std::vector<int> ids, bool state, const char* what,
                                       bool (*is)(HWND control)) {
    for (const int id : ids) {
        OnControl(where, id, [=](HWND control) {
            ExpectAt(is(control) == state, where,
                     "control " + std::to_string(id) + (state ? " is not " : " is ") + what);
        });
    }
    return *this;
}

WizardDriver& WizardDriver::ExpectEnabled(std::vector<int> ids, bool enabled, Where where) {
    return ExpectEach(where, std::move(ids), enabled, "enabled",
                      [](HWND control) { return IsWindowEnabled(control) != FALSE; });
}

WizardDriver& WizardDriver::ExpectChecked(std::vector<int> ids, bool checked, Where where) {
    return ExpectEach(where, std::move(ids), checked, "checked",
                      [](HWND control) { return SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED; });
}

WizardDriver& WizardDriver::ExpectButtons(unsigned flags, Where where) {
    return Step(where, [flags, where](HWND sheet, HWND) {
        const unsigned enabled = EnabledButtons(sheet);
        ExpectAt(enabled == flags, where,
                 "on step " + std::to_string(CurrentStep(sheet)) + " the wizard offers " +
                     ButtonNames(enabled) + ", expected " + ButtonNames(flags));
    });
}

WizardDriver& WizardDriver::Press(int button, unsigned requiredFlag, Where where) {
    return Step(where, [button, requiredFlag, where](HWND sheet, HWND) {
        // A user can press only an enabled button.
        if (!(EnabledButtons(sheet) & requiredFlag))
            return FailAt(where, ButtonNames(requiredFlag) + " is disabled on step " +
                                     std::to_string(CurrentStep(sheet)));
        PostMessageW(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
    });
}

WizardDriver& WizardDriver::Next(int toStep, Where where) {
    Press(PSBTN_NEXT, PSWIZB_NEXT, where);
    return AwaitStep(toStep, where);
}

WizardDriver& WizardDriver::Back(int toStep, Where where) {
    Press(PSBTN_BACK, PSWIZB_BACK, where);
    return AwaitStep(toStep, where);
}

WizardDriver& WizardDriver::Finish(Where where) {
    return Press(PSBTN_FINISH, PSWIZB_FINISH, where);
}

WizardDriver& WizardDriver::Cancel(Where where) {
    return Step(where, [](HWND sheet, HWND) { PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0); });
}

WizardDriver& WizardDriver::WithChooser(int button, std::function<void(HWND chooser)> act, Where where) {
    Step(where, [button](HWND, HWND page) { uitest::PostClick(page, button); });
    script_.Await([] { return FindChooser() != nullptr; }, "a dialog over the wizard", ModalScript::kWaitMs,
                  where);
    script_.Do([act] { act(FindChooser()); }, where);
    script_.Await([] { return FindChooser() == nullptr; }, "the dialog over the wizard to close",
                  ModalScript::kWaitMs, where);
    return *this;
}

WizardDriver& WizardDriver::WalkTo(int fromStep, int toStep, Where where) {
    for (int step = fromStep; step < toStep; ++step) {
        switch (step) {
        case 1:
            SetText(IDC_NAME_EDIT, L"Test", where);
            break;
        case 2:
            SetText(IDC_FOLDER_EDIT, L"C:\\", where);
            break;
        case 4:
            Click(IDC_PLACE_DESKTOP, where);
            break;
        default:
            break;
        }
        Next(step + 1, where);
    }
    return *this;
}

} // namespace vs::test
