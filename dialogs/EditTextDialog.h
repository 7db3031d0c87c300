#pragma once
// Edits one line of text under a caller-supplied prompt (renaming an object, changing its
// comment). The caller's text is edited in place and changed only when the user confirms.

#include "framework/Dialog.h"

#include <string>

class CEditTextDialog : public CDialog {
public:
    CEditTextDialog(std::wstring prompt, std::wstring& text, HWND owner);

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;

private:
    std::wstring prompt_;
    std::wstring& text_;
    HWND promptControl_ = nullptr;
};
