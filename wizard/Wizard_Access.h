#pragma once
// Step 4 of the creation wizard: for whom the object is installed, the places where it
// appears, its Control Panel category, and, with Desktop, whether it shows in Explorer's
// navigation pane and whether its desktop icon is hidden. Next is offered while at least
// one place is checked. Everything is taken when the user moves on.

#include "framework/PropertySheet.h"
#include "store/ShellObjectSpec.h"

class CWizard_Access : public CPropertyPage {
public:
    // Works on request's allUsers, the four places, the category and the two Desktop options.
    explicit CWizard_Access(vs::ShellObjectSpec& request);

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    DWORD WizardButtons() const override;
    LRESULT OnWizardNext() override;
    bool HandleMessage(const Message& msg, LRESULT& result) override;

private:
    LRESULT OnPlaceClicked(const Message& msg);
    // The category list is usable with its check box only, the navigation pane and the
    // desktop icon with Desktop only.
    void EnableCategory() const;
    bool IsChecked(int id) const;

    vs::ShellObjectSpec& request_;
};
