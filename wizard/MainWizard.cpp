#include "wizard/MainWizard.h"

#include "framework/Resources.h"
#include "res/resource.h"
#include "store/Registration.h"
#include "store/ShellObjectSpec.h"
#include "wizard/Wizard_Access.h"
#include "wizard/Wizard_Flags.h"
#include "wizard/Wizard_SelectIcon.h"
#include "wizard/Wizard_ShellFolderName.h"
#include "wizard/Wizard_ShellObjectFunction.h"

CMainWizard::CMainWizard(const wchar_t* caption, HWND parent, UINT startPage, vs::RegistryStore& store,
                         vs::Platform& platform)
    : CPropertySheet(caption, parent, startPage), store_(store), platform_(platform) {}

INT_PTR CMainWizard::DoModal() {
    SetWizardMode();
    // The request and its pages live for this run only; the pages' windows come and go
    // with the sheet, the request stays until it is written below.
    // It starts as every new object does; the command line starts from the same choices.
    vs::ShellObjectSpec request = vs::NewObjectDefaults();
    CWizard_ShellFolderName name(request);
    Wizard_ShellObjectFunction function(request);
    CWizard_SelectIcon icon(request);
    CWizard_Access access(request);
    CWizard_SpecialFlags flags(request);
    AddPage(&name);
    AddPage(&function);
    AddPage(&icon);
    AddPage(&access);
    AddPage(&flags);

    const INT_PTR result = CPropertySheet::DoModal();
    RemoveAllPages();
    // What was written shows in the list the caller rebuilds; what was not, in failures_.
    if (result == ID_WIZFINISH)
        createdClass_ = vs::CreateShellObject(store_, platform_, request, failures_).value_or(L"");
    return result;
}

void CMainWizard::OnInitSheet() {
    const HICON appIcon = LoadIconW(ResourceModule(), MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
    SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon));
    SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIcon));
}
