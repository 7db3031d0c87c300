#pragma once
// The five-step wizard that creates a new shell object. Its modal run owns the five pages;
// after Finish it builds the creation request from what the pages captured (never from
// controls, which are gone by then) and has the registration write it.

#include "framework/PropertySheet.h"
#include "store/Platform.h"
#include "store/RegistryStore.h"
#include "store/ShellObjectSpec.h"

class CWizard_ShellFolderName;
class Wizard_ShellObjectFunction;
class CWizard_SelectIcon;
class CWizard_Access;
class CWizard_SpecialFlags;

class CMainWizard : public CPropertySheet {
public:
    // store and platform receive the new object; both must outlive the run.
    CMainWizard(const wchar_t* caption, HWND parent, UINT startPage, vs::RegistryStore& store,
                vs::Platform& platform);

    // ID_WIZFINISH after Finish, when the new object has been handed to the registration;
    // IDCANCEL when the user cancelled or closed the wizard, and then nothing is written.
    INT_PTR DoModal() override;

protected:
    void OnInitSheet() override;

private:
    vs::RegistryStore& store_;
    vs::Platform& platform_;
};

// The creation request that the five pages' captured values make up.
vs::ShellObjectSpec AssembleSpec(const CWizard_ShellFolderName& name,
                                 const Wizard_ShellObjectFunction& function, const CWizard_SelectIcon& icon,
                                 const CWizard_Access& access, const CWizard_SpecialFlags& flags);
