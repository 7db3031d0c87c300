#pragma once
// Edits an object's sort position in Explorer, a whole number from 0 to 255, with an
// up-down control. The caller sets `position` and `title` before each modal run and reads
// `position` after IDOK; one object may be run several times.

#include "framework/Dialog.h"

#include <string>

class CExplorerPosition : public CDialog {
public:
    // owner null: the application's main window owns the dialog.
    explicit CExplorerPosition(HWND owner = nullptr);

    int position = 0;
    std::wstring title;

    static constexpr int kMinPosition = 0;
    static constexpr int kMaxPosition = 255;

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;

private:
    HWND upDown_ = nullptr;
};
