#pragma once
// Builds ModalScript steps that work the creation wizard as a user would: wait for a
// step, type, click, check the wizard buttons, press Back, Next, Finish or Cancel, work a
// chooser opened over the wizard. The wizard is found among the thread's windows, so the
// same steps drive a wizard that a test runs itself and one that the main window's command
// runs. Every step reports its failures at the line of the test that added it.

#include "tests/wine/ModalScript.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace vs::test {

// The visible property sheet of this thread, or null.
HWND FindWizard();
HWND CurrentPage(HWND sheet);
// 1 to 5 for the page shown, 0 when there is none.
int CurrentStep(HWND sheet);
// The enabled wizard buttons as PSWIZB_BACK | PSWIZB_NEXT | PSWIZB_FINISH bits.
unsigned EnabledButtons(HWND sheet);

class WizardDriver {
public:
    explicit WizardDriver(ModalScript& script) : script_(script) {}

    // Waits until the wizard shows this step (1 to 5).
    WizardDriver& AwaitStep(int step, Where where = Where::current());
    // Runs action with the wizard and its current page.
    WizardDriver& Do(std::function<void(HWND sheet, HWND page)> action, Where where = Where::current());
    // Replaces the text of an edit, as pasting would (one EN_CHANGE).
    WizardDriver& SetText(int id, std::wstring text, Where where = Where::current());
    // Types characters into an edit one by one at its end, one EN_CHANGE each.
    WizardDriver& Type(int id, std::wstring text, Where where = Where::current());
    WizardDriver& Click(int id, Where where = Where::current());
    WizardDriver& ExpectButtons(unsigned flags, Where where = Where::current());
    // Expects the page's control id to show text, each of ids to be enabled or not, checked or not.
    WizardDriver& ExpectText(int id, std::wstring text, Where where = Where::current());
    WizardDriver& ExpectEnabled(std::vector<int> ids, bool enabled, Where where = Where::current());
    WizardDriver& ExpectChecked(std::vector<int> ids, bool checked, Where where = Where::current());
    // Presses Next (it must be enabled) and waits for the next step.
    WizardDriver& Next(int toStep, Where where = Where::current());
    WizardDriver& Back(int toStep, Where where = Where::current());
    WizardDriver& Finish(Where where = Where::current());
    WizardDriver& Cancel(Where where = Where::current());
    // Clicks a button of the page that opens a dialog over the wizard (posted, since the
    // dialog runs its own modal loop inside the click), waits for that dialog, hands it
    // to act, which must answer it by posting, and waits until it has closed.
    WizardDriver& WithChooser(int button, std::function<void(HWND chooser)> act,
                              Where where = Where::current());

    // From the current step (1 to 4) to toStep with the least valid input: name "Test",
    // folder C:\, the default icon, Desktop.
    WizardDriver& WalkTo(int fromStep, int toStep, Where where = Where::current());

private:
    WizardDriver& Press(int button, unsigned requiredFlag, Where where);
    WizardDriver& Step(Where where, std::function<void(HWND sheet, HWND page)> action);
    // Runs action with the page's control id; a fatal failure at where without it.
    WizardDriver& OnControl(Where where, int id, std::function<void(HWND control)> action);
    WizardDriver& ExpectEach(Where where, std::vector<int> ids, bool state, const char* what,
                             bool (*is)(HWND control));

    ModalScript& script_;
};

} // namespace vs::test
