#include "wizard/MainWizard.h"

#include "framework/WinApp.h"
#include "res/resource.h"
#include "store/Registration.h"
#include "wizard/Wizard_Access.h"
#include "wizard/Wizard_Flags.h"
#include "wizard/Wizard_SelectIcon.h"
#include "wizard/Wizard_ShellFolderName.h"
#include "wizard/Wizard_ShellObjectFunction.h"

#include <memory>

CMainWizard::CMainWizard(const wchar_t* caption, HWND parent, UINT startPage, vs::RegistryStore& store,
                         vs::Platform& platform)
    : CPropertySheet(caption, parent, startPage), store_(store), platform_(platform) {}

INT_PTR CMainWizard::DoModal() {
    SetWizardMode();
    // The pages live for this run only; their windows come and go with the sheet, but the
    // values they captured stay readable until the request is built below.
    auto name = std::make_unique<CWizard_ShellFolderName>();
    AddPage(name.get());
    auto function = std::make_unique<Wizard_ShellObjectFunction>();
    AddPage(function.get());
    auto icon = std::make_unique<CWizard_SelectIcon>();
    AddPage(icon.get());
    auto access = std::make_unique<CWizard_Access>();
    AddPage(access.get());
    auto flags = std::make_unique<CWizard_SpecialFlags>();
    AddPage(flags.get());

    const INT_PTR result = CPropertySheet::DoModal();
    // The store reports what it achieved through the registry, which the caller re-reads.
    if (result == ID_WIZFINISH)
        (void)vs::CreateShellObject(store_, platform_,
                                    AssembleSpec(*name, *function, *icon, *access, *flags));

    RemoveAllPages();
    flags.reset();
    access.reset();
    icon.reset();
    function.reset();
    name.reset();
    return result;
}

void CMainWizard::OnInitSheet() {
    const HICON appIcon = LoadIconW(CWinApp::ResourceModule(), MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
    SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon));
    SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(appIcon));
}

vs::ShellObjectSpec AssembleSpec(const CWizard_ShellFolderName& name,
                                 const Wizard_ShellObjectFunction& function, const CWizard_SelectIcon& icon,
                                 const CWizard_Access& access, const CWizard_SpecialFlags& flags) {
    vs::ShellObjectSpec spec;
    spec.name = name.name;
    spec.infoTip = name.infoTip;
    spec.allowRename = name.allowRename;
    spec.isFolder = function.isFolder;
    spec.folderTarget = function.folderTarget;
    spec.programCommand = function.programCommand;
    spec.iconLocation = icon.iconLocation;
    spec.allUsers = access.allUsers;
    spec.inMyComputer = access.inMyComputer;
    spec.onDesktop = access.onDesktop;
    spec.inControlPanel = access.inControlPanel;
    spec.inNetworkNeighborhood = access.inNetworkNeighborhood;
    spec.controlPanelCategory = access.controlPanelCategory;
    spec.enablePropertySheet = flags.enablePropertySheet;
    spec.allowDelete = flags.allowDelete;
    spec.allowCopy = flags.allowCopy;
    spec.allowLink = flags.allowLink;
    spec.allowMove = flags.allowMove;
    spec.removableMedia = flags.removableMedia;
    spec.allowDragDrop = flags.allowDragDrop;
    spec.hideIfDeleted = flags.hideIfDeleted;
    return spec;
}
