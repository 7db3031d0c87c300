#include "framework/DataExchange.h"

#include "framework/Resources.h"
#include "res/resource.h"

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {
std::wstring WindowText(HWND control, int maxChars) {
    int length = GetWindowTextLengthW(control);
    if (maxChars > 0 && length > maxChars)
        length = maxChars;
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(control, buffer.data(), length + 1);
    return std::wstring(buffer.data());
}
} // namespace

void DataExchange::Control(int id, HWND& control) {
    if (!failed_)
        control = GetDlgItem(dialog_, id);
}

void DataExchange::Text(int id, std::wstring& value, int maxChars) {
    if (failed_)
        return;
    HWND control = GetDlgItem(dialog_, id);
    if (toControls)
        SetWindowTextW(control, value.c_str());
    else
        value = WindowText(control, maxChars);
}

void DataExchange::Int(int id, int& value) {
    if (failed_)
        return;
    HWND control = GetDlgItem(dialog_, id);
    if (toControls) {
        wchar_t text[32];
        std::swprintf(text, 32, L"%d", value);
        SetWindowTextW(control, text);
        return;
    }
    const std::wstring text = WindowText(control, 63);
    int parsed = 0;
    wchar_t extra = 0;
    if (std::swscanf(text.c_str(), L"%d %lc", &parsed, &extra) != 1) {
        Fail(id, LoadResourceString(IDS_ENTER_INTEGER));
        return;
    }
    value = parsed;
}

void DataExchange::IntRange(int id, int value, int min, int max) {
    if (failed_ || toControls)
        return;
    if (value < min || value > max)
        Fail(id,
             FormatResourceString(IDS_ENTER_INTEGER_BETWEEN, {std::to_wstring(min), std::to_wstring(max)}));
}

void DataExchange::Check(int id, bool& value) {
    if (failed_)
        return;
    if (toControls)
        CheckDlgButton(dialog_, id, value ? BST_CHECKED : BST_UNCHECKED);
    else
        value = IsDlgButtonChecked(dialog_, id) == BST_CHECKED;
}

void DataExchange::ListIndex(int id, int& value) {
    if (failed_)
        return;
    if (toControls)
        SendDlgItemMessageW(dialog_, id, LB_SETCURSEL, static_cast<WPARAM>(value), 0);
    else
        value = static_cast<int>(SendDlgItemMessageW(dialog_, id, LB_GETCURSEL, 0, 0));
}

void DataExchange::ComboIndex(int id, int& value) {
    if (failed_)
        return;
    if (toControls)
        SendDlgItemMessageW(dialog_, id, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
    else
        value = static_cast<int>(SendDlgItemMessageW(dialog_, id, CB_GETCURSEL, 0, 0));
}

void DataExchange::Label(int id, const std::wstring& text) {
    if (!failed_ && toControls)
        SetDlgItemTextW(dialog_, id, text.c_str());
}

void DataExchange::Caption(const std::wstring& text) {
    if (!failed_ && toControls)
        SetWindowTextW(dialog_, text.c_str());
}

void DataExchange::Fail(int id, const std::wstring& message) {
    failed_ = true;
    MessageBoxW(dialog_, message.c_str(), nullptr, MB_ICONEXCLAMATION | MB_OK);
    HWND control = GetDlgItem(dialog_, id);
    SetFocus(control);
    SendMessageW(control, EM_SETSEL, 0, -1);
}
