#pragma once
// The "Choose Icon" dialog: lists every icon of a program, library or icon file side by
// side, lets the user type or browse for another file, and gives back the chosen file and
// icon index. MakeIconLocation turns that choice into an icon location text.

#include "framework/Dialog.h"
#include "framework/UniqueHandle.h"

#include <string>
#include <vector>

class CIconDialog : public CDialog {
public:
    explicit CIconDialog(HWND parent);

    // Starts on file and index if the file has an icon at index; otherwise keeps the
    // defaults (SHELL32.dll of the system directory, icon 0) and returns false.
    bool SetStartIcon(const std::wstring& file, int index);
    // After IDOK: the chosen file and icon index (never -1).
    void GetChosenIcon(std::wstring& file, int& index) const;
    // A plain icon file stands alone; a program or library gets ",index" appended.
    static std::wstring MakeIconLocation(const std::wstring& file, int index);

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
    LRESULT OnDestroy(const Message& msg);

    void FillList();
    void ClearList();
    void ShowMessage(UINT stringId) const;
    HWND List() const;

    std::wstring fileName;
    int iconIndex = 0;
    // The icons shown in the list; each item's data is the handle of one of them.
    std::vector<UniqueIcon> icons_;
};
