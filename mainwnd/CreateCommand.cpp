// The create command: runs the creation wizard. The wizard hands the new object to the
// registration, which notifies each place it writes; the list is rebuilt only when
// something may have been written.
#include "mainwnd/DeleteObject.h"

#include "wizard/MainWizard.h"

LRESULT CDeleteObject::OnCreateNew(const Message&) {
    CMainWizard wizard(L"", hwnd_, 0, store_, platform_);
    if (wizard.DoModal() == ID_WIZFINISH)
        RefreshList();
    return 0;
}
