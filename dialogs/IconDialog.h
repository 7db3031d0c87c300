#pragma once
// The "Choose Icon" dialog: lists every icon of a program, library or icon file side by
// side, lets the user type or browse for another file, and gives back the chosen file and
// icon index in `icon`, read after IDOK. MakeIconLocation turns that choice into an icon
// location text.

#include "framework/Dialog.h"
#include "framework/UniqueHandle.h"
#include "store/ShellObjectInfo.h"

#include <string>
#include <vector>

class CIconDialog : public CDialog {
public:
    explicit CIconDialog(HWND parent);

    // The file and icon index shown at start (SHELL32.dll of the system directory, icon 0,
    // unless SetStartIcon took another); after IDOK the chosen ones (the index never -1).
    vs::IconLocationParts icon;

    // Starts on start if its file has an icon at its index; otherwise keeps `icon` as it
    // is and returns false.
    bool SetStartIcon(const vs::IconLocationParts& start);
    // A plain icon file stands alone; a program or library gets ",index" appended.
    static std::wstring MakeIconLocation(const vs::IconLocationParts& chosen);

    // The Browse buffer: characters including the terminator.
    static constexpr std::size_t kBrowseBufferChars = MAX_PATH;

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
    bool HandleMessage(const Message& msg, LRESULT& result) override;

private:
    LRESULT OnBrowse(const Message& msg);
    LRESULT OnListDoubleClick(const Message& msg);
    LRESULT OnMeasureItem(const Message& msg);
    LRESULT OnDrawItem(const Message& msg);

    void FillList();
    void ClearList();
    void ShowMessage(UINT stringId) const;
    HWND List() const;

    // The icons shown in the list; each item's data is the handle of one of them.
    std::vector<UniqueIcon> icons_;
};
