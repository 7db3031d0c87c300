#include "dialogs/ExplorerPosition.h"

#include "dialogs/DialogPlacement.h"
#include "res/resource.h"

#include <commctrl.h>

CExplorerPosition::CExplorerPosition(HWND owner) : CDialog(IDD_EXPLORER_POSITION, owner) {}

void CExplorerPosition::DoDataExchange(DataExchange& dx) {
    dx.Caption(title);
    // Read into a copy so that a refused value never reaches `position`: a run that ends
    // with Cancel after a refused OK leaves the caller's value as it was.
    int value = position;
    dx.Int(IDC_POSITION_EDIT, value);
    dx.IntRange(IDC_POSITION_EDIT, value, kMinPosition, kMaxPosition);
    if (!dx.toControls && !dx.Failed())
        position = value;
    dx.Control(IDC_POSITION_SPIN, upDown_);
}

bool CExplorerPosition::OnInitDialog() {
    CDialog::OnInitDialog();
    // Low word maximum, high word minimum; the edit keeps the value just written to it.
    SendMessageW(upDown_, UDM_SETRANGE, 0, MAKELPARAM(kMaxPosition, kMinPosition));
    // The template sits at 0, 0 so that the dialog opens centred over its owner.
    CenterOverOwner(hwnd_);
    return true;
}
