#pragma once
// Step 5 of the creation wizard: the attribute flags. Finish is always offered; the flags
// are taken when the user presses it.

#include "framework/PropertySheet.h"

class CWizard_SpecialFlags : public CPropertyPage {
public:
    CWizard_SpecialFlags();

    bool enablePropertySheet = false;
    bool allowDelete = false;
    bool allowCopy = false;
    bool allowLink = false;
    bool allowMove = false;
    bool removableMedia = false;
    bool allowDragDrop = false;
    bool hideIfDeleted = false;

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    LRESULT OnSetActive() override;
    bool OnWizardFinish() override;
    bool HandleMessage(const Message& msg, LRESULT& result) override;

private:
    LRESULT OnAllowDeleteClicked(const Message& msg);
};
