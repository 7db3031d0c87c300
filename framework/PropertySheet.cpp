#include "framework/PropertySheet.h"

#include "framework/Resources.h"

CPropertyPage::CPropertyPage(UINT templateId) : CDialog(templateId) {}

void CPropertyPage::UpdateWizardButtons() const {
    PostMessageW(SheetWindow(), PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(WizardButtons()));
}

LRESULT CPropertyPage::OnSetActive() {
    UpdateWizardButtons();
    return 0;
}

PROPSHEETPAGEW CPropertyPage::Describe() {
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof(page);
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = ResourceModule();
    page.pszTemplate = MAKEINTRESOURCEW(TemplateId());
    page.pfnDlgProc = &CPropertyPage::PageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

bool CPropertyPage::HandleMessage(const Message& msg, LRESULT& result) {
    if (msg.message == WM_INITDIALOG && sheet_)
        sheet_->AttachWindow(GetParent(hwnd_));
    if (msg.message == WM_NOTIFY) {
        switch (msg.code) {
        case PSN_SETACTIVE:
            result = OnSetActive();
            return true;
        case PSN_WIZNEXT:
            result = OnWizardNext();
            return true;
        case PSN_WIZBACK:
            result = OnWizardBack();
            return true;
        case PSN_WIZFINISH:
            if (OnWizardFinish()) {
                if (sheet_)
                    sheet_->finished_ = true;
                result = FALSE;
            } else {
                result = TRUE;
            }
            return true;
        default:
            break;
        }
    }
    // Pages have no OK or Cancel of their own: the sheet owns those buttons.
    if (msg.message == WM_COMMAND && (msg.id == IDOK || msg.id == IDCANCEL))
        return false;
    return CDialog::HandleMessage(msg, result);
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* description = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        auto* self = reinterpret_cast<CPropertyPage*>(description->lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
        return self->Dispatch(hwnd, message, wParam, lParam);
    }
    auto* self = reinterpret_cast<CPropertyPage*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self)
        return FALSE;
    return self->Dispatch(hwnd, message, wParam, lParam);
}

CPropertySheet::CPropertySheet(const wchar_t* caption, HWND parent, UINT startPage)
    : caption_(caption), parent_(parent), startPage_(startPage) {}

void CPropertySheet::AddPage(CPropertyPage* page) {
    page->sheet_ = this;
    pages_.push_back(page);
}

void CPropertySheet::AttachWindow(HWND sheet) {
    if (hwnd_ == sheet)
        return;
    hwnd_ = sheet;
    OnInitSheet();
}

PROPSHEETHEADERW CPropertySheet::Header(std::vector<HPROPSHEETPAGE>& handles) {
    for (CPropertyPage* page : pages_) {
        PROPSHEETPAGEW description = page->Describe();
        handles.push_back(CreatePropertySheetPageW(&description));
    }
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof(header);
    header.dwFlags = flags_;
    header.hwndParent = parent_;
    header.hInstance = ResourceModule();
    header.pszCaption = caption_;
    header.nPages = static_cast<UINT>(handles.size());
    header.nStartPage = startPage_;
    header.phpage = handles.data();
    return header;
}

INT_PTR CPropertySheet::DoModal() {
    finished_ = false;
    hwnd_ = nullptr;
    std::vector<HPROPSHEETPAGE> handles;
    PROPSHEETHEADERW header = Header(handles);
    header.dwFlags &= ~PSH_MODELESS;
    PropertySheetW(&header);
    hwnd_ = nullptr;
    return finished_ ? ID_WIZFINISH : IDCANCEL;
}

HWND CPropertySheet::CreateModeless() {
    finished_ = false;
    std::vector<HPROPSHEETPAGE> handles;
    PROPSHEETHEADERW header = Header(handles);
    header.dwFlags |= PSH_MODELESS;
    hwnd_ = reinterpret_cast<HWND>(PropertySheetW(&header));
    return hwnd_;
}

void CPropertySheet::EndModeless() {
    if (hwnd_)
        DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}
