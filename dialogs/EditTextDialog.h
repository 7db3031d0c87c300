#pragma once
// Edits one line of text under a caller-supplied prompt (renaming an object, changing its
// comment). The caller sets `prompt` and `text` before the modal run and reads `text`
// after IDOK; it changes only when the user confirms.

#include "framework/Dialog.h"

#include <string>

class CEditTextDialog : public CDialog {
public:
    explicit CEditTextDialog(HWND owner);

    std::wstring prompt;
    std::wstring text;

protected:
    void DoDataExchange(DataExchange& dx) override;
};
