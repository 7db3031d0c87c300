#include "framework/Dialog.h"

#include "framework/Resources.h"

namespace {
// The default owner as last named: a dialog wins over a window while its window stands.
HWND defaultOwnerWindow = nullptr;
const CDialog* defaultOwnerDialog = nullptr;
} // namespace

void CDialog::SetDefaultOwner(HWND owner) {
    defaultOwnerWindow = owner;
}

void CDialog::SetDefaultOwnerDialog(const CDialog* owner) {
    defaultOwnerDialog = owner;
}

HWND CDialog::DefaultOwner() {
    if (defaultOwnerDialog && defaultOwnerDialog->Hwnd())
        return defaultOwnerDialog->Hwnd();
    return defaultOwnerWindow;
}

CDialog::CDialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog() {
    if (hwnd_ && modeless_)
        DestroyWindow(hwnd_);
}

HWND CDialog::ParentWindow() const {
    return parent_ ? parent_ : DefaultOwner();
}

INT_PTR CDialog::DoModal() {
    modeless_ = false;
    result_ = DialogBoxParamW(ResourceModule(), MAKEINTRESOURCEW(templateId_), ParentWindow(),
                              &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    return result_;
}

HWND CDialog::CreateModeless() {
    modeless_ = true;
    return CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(templateId_), ParentWindow(),
                              &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialog::RunMessageLoop() {
    MSG msg;
    while (hwnd_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (PreTranslateMessage(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool CDialog::PreTranslateMessage(MSG& msg) {
    return hwnd_ && IsDialogMessageW(hwnd_, &msg);
}

void CDialog::EndDialog(INT_PTR result) {
    result_ = result;
    if (!hwnd_)
        return;
    if (modeless_)
        DestroyWindow(hwnd_);
    else
        ::EndDialog(hwnd_, result);
}

bool CDialog::UpdateData(bool fromControls) {
    DataExchange dx(hwnd_, !fromControls);
    DoDataExchange(dx);
    return !dx.Failed();
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::HandleMessage(const Message& msg, LRESULT& result) {
    switch (msg.message) {
    case WM_INITDIALOG:
        result = OnInitDialog() ? TRUE : FALSE;
        return true;
    case WM_COMMAND:
        if (msg.id == IDOK && msg.code == BN_CLICKED) {
            OnOK();
            return true;
        }
        if (msg.id == IDCANCEL && msg.code == BN_CLICKED) {
            OnCancel();
            return true;
        }
        return false;
    default:
        return false;
    }
}

namespace {
// Messages whose result a dialog procedure returns directly instead of in DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message) {
    switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}
} // namespace

INT_PTR CDialog::Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    const bool handled = HandleMessage(Message::From(message, wParam, lParam), result);
    if (message == WM_NCDESTROY)
        hwnd_ = nullptr;
    if (!handled)
        return FALSE;
    if (ReturnsDirectly(message))
        return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->hwnd_ = hwnd;
        return self->Dispatch(hwnd, message, wParam, lParam);
    }
    auto* self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self)
        return FALSE;
    return self->Dispatch(hwnd, message, wParam, lParam);
}
