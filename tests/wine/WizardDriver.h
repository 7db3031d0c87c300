#pragma once
// Builds ModalScript steps that work the creation wizard as a user would: wait for a
// step, type, click, check the wizard buttons, press Back, Next, Finish or Cancel. The
// wizard is found among the thread's windows, so the same steps drive a wizard that a
// test runs itself and one that the main window's command runs.

#include "tests/wine/ModalScript.h"

#include <windows.h>

#include <functional>
#include <string>

namespace vs::test {

// The visible property sheet of this thread, or null.
HWND FindWizard();
HWND CurrentPage(HWND sheet);
// 1 to 5 for the page shown, 0 when there is none.
int CurrentStep(HWND sheet);
// The enabled wizard buttons as PSWIZB_BACK | PSWIZB_NEXT | PSWIZB_FINISH bits.
unsigned EnabledButtons(HWND sheet);
bool IsChecked(HWND page, int id);
bool IsItemEnabled(HWND page, int id);

class WizardDriver {
public:
    explicit WizardDriver(ModalScript& script) : script_(script) {}

    // Waits until the wizard shows this step (1 to 5).
    WizardDriver& AwaitStep(int step);
    // Runs action with the wizard and its current page.
    WizardDriver& Do(std::function<void(HWND sheet, HWND page)> action);
    // Replaces the text of an edit, as pasting would (one EN_CHANGE).
    WizardDriver& SetText(int id, std::wstring text);
    // Types characters into an edit one by one at its end, one EN_CHANGE each.
    WizardDriver& Type(int id, std::wstring text);
    WizardDriver& Click(int id);
    WizardDriver& ExpectButtons(unsigned flags);
    // Presses Next (it must be enabled) and waits for the next step.
    WizardDriver& Next(int toStep);
    WizardDriver& Back(int toStep);
    WizardDriver& Finish();
    WizardDriver& Cancel();

    // From the current step (1 to 4) to toStep with the least valid input: name "Test",
    // folder C:\, the default icon, Desktop.
    WizardDriver& WalkTo(int fromStep, int toStep);

private:
    WizardDriver& Press(int button, unsigned requiredFlag);

    ModalScript& script_;
};

} // namespace vs::test
