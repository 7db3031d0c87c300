// The create command: runs the creation wizard. The wizard hands the new object to the
// registration, which notifies each place it writes; the list is rebuilt only when
// something may have been written, and what could not be is said after that.
#include "mainwnd/DeleteObject.h"

#include "wizard/MainWizard.h"

LRESULT CDeleteObject::OnCreateNew(const Message&) {
    CMainWizard wizard(L"", hwnd_, 0, store_, platform_);
    if (wizard.DoModal() != ID_WIZFINISH)
        return 0;
    RefreshList();
    ReportFailures(wizard.Failures());
    return 0;
}
