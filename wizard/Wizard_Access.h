#pragma once
// Step 4 of the creation wizard: for whom the object is installed, the places where it
// appears and its Control Panel category. Next is offered while at least one place is
// checked. Everything is taken when the user moves on.

#include "framework/PropertySheet.h"

#include <cstdint>

class CWizard_Access : public CPropertyPage {
public:
    CWizard_Access();

    bool allUsers = false;
    bool inMyComputer = false;
    bool onDesktop = false;
    bool inControlPanel = false;
    bool inNetworkNeighborhood = false;
    std::uint32_t controlPanelCategory = 0xFFFFFFFFu;

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    LRESULT OnSetActive() override;
    LRESULT OnWizardNext() override;
    bool HandleMessage(const Message& msg, LRESULT& result) override;

private:
    LRESULT OnPlaceClicked(const Message& msg);
    // Enables the category list with its check box and sets the buttons.
    void Update() const;
};
