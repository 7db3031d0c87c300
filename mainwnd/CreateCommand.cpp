// The create command: runs the creation wizard. The wizard hands the new object to the
// registration, which notifies each place it writes; the list is brought up to date only when
// something may have been written, and what could not be is said after that. The new
// object is one step of undo.
#include "mainwnd/DeleteObject.h"

#include "wizard/MainWizard.h"

LRESULT CDeleteObject::OnCreateNew(const Message& msg) {
    if (!BeginChange(msg.id))
        return 0;
    CMainWizard wizard(L"", hwnd_, 0, store_, platform_);
    const bool finished = wizard.DoModal() == ID_WIZFINISH;
    if (finished)
        UpdateList();
    EndChange(wizard.CreatedClass());
    if (finished)
        ReportFailures(wizard.Failures());
    return 0;
}
