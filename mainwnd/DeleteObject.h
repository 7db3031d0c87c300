#pragma once
// The installed-objects dialog, the program's main window: lists every shell object
// registered in the eight places and offers the commands through a context menu and two
// buttons. The list commands live in ListCommands.cpp, the edit commands in
// EditCommands.cpp and the create command in CreateCommand.cpp.

#include "framework/Dialog.h"
#include "framework/UniqueHandle.h"
#include "mainwnd/ListViewInventory.h"
#include "mainwnd/WindowSettings.h"
#include "store/Inventory.h"
#include "store/Platform.h"
#include "store/RegistryStore.h"
#include "store/ShellObjectEntry.h"

#include <windows.h>

class CDeleteObject : public CDialog {
public:
    // Loads the settings (expert mode, saved placement) from store; parent null makes the
    // dialog a top-level window.
    CDeleteObject(vs::RegistryStore& store, vs::Platform& platform, HWND parent = nullptr);
    // Saves the settings.
    ~CDeleteObject() override;

    // Rebuilds the inventory from the registry and shows its rows; leaves the delete
    // button enabled exactly when rows are selected (none after a rebuild).
    void RefreshList();

    // Calls visit(entry) for each selected row in display order. The next selected row is
    // looked up before a row is visited, and rows whose item data names no entry are
    // skipped. The list must not change during the walk.
    template <class Visit> void ForEachSelectedEntry(Visit visit) {
        int row = NextSelectedRow(-1);
        while (row != -1) {
            const int next = NextSelectedRow(row);
            if (vs::ShellObjectEntry* entry = EntryOfRow(row))
                visit(*entry);
            row = next;
        }
    }

    // The context menu (menu 136) with its check mark and enabled states set for the
    // current selection; its first popup is what NM_RCLICK shows.
    UniqueMenu BuildContextMenu();

    vs::Inventory& Inventory() { return inventory_; }
    const ListViewInventory& ListView() const { return view_; }
    vs::RegistryStore& Store() { return store_; }
    vs::Platform& PlatformServices() { return platform_; }
    HWND List() const { return list_; }
    const vs::WindowSettings& Settings() const { return settings_; }
    // The settings as they would be saved now.
    vs::WindowSettings CurrentSettings() const;

    // The entry of a row through its item data, or null when the data names none.
    vs::ShellObjectEntry* EntryOfRow(int row);
    // LVM_GETNEXTITEM with LVNI_SELECTED after row (-1: from the start).
    int NextSelectedRow(int row) const;

    // List commands (ListCommands.cpp).
    LRESULT OnDelete(const Message& msg);
    LRESULT OnHide(const Message& msg);
    LRESULT OnUnhide(const Message& msg);
    LRESULT OnCopyTo(const Message& msg);
    LRESULT OnMoveTo(const Message& msg);
    LRESULT OnExpertMode(const Message& msg);
    // Edit commands (EditCommands.cpp).
    LRESULT OnRename(const Message& msg);
    LRESULT OnChangeIcon(const Message& msg);
    LRESULT OnChangeComment(const Message& msg);
    LRESULT OnSetExplorerPosition(const Message& msg);
    // Create command (CreateCommand.cpp).
    LRESULT OnCreateNew(const Message& msg);

protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    bool HandleMessage(const Message& msg, LRESULT& result) override;

private:
    LRESULT OnListClick(const Message& msg);
    LRESULT OnListRightClick(const Message& msg);
    LRESULT OnGetMinMaxInfo(const Message& msg);
    LRESULT OnSize(const Message& msg);
    LRESULT OnMove(const Message& msg);
    LRESULT OnDrawItem(const Message& msg);
    LRESULT OnDestroy(const Message& msg);

    // LVM_GETSELECTEDCOUNT.
    int SelectedCount() const;
    void UpdateDeleteButton();
    void RememberWindowRect();
    // Tells the shell that the folder of a place changed.
    void NotifyPlace(int placeIndex);

    vs::RegistryStore& store_;
    vs::Platform& platform_;

    HWND list_ = nullptr;
    HWND deleteButton_ = nullptr;
    HWND createButton_ = nullptr;
    HWND closeButton_ = nullptr;
    HWND groupBox_ = nullptr;

    vs::Inventory inventory_;
    ListViewInventory view_;
    vs::WindowSettings settings_;

    // Layout: the outer window size at initialisation (also the minimum tracking size),
    // how far the client area sits inside the outer rectangle, and the controls' initial
    // outer rectangles relative to the window's top-left corner.
    SIZE minimumSize_{};
    POINT clientOffset_{};
    SIZE frameExtra_{};
    RECT createRect_{}, deleteRect_{}, closeRect_{}, groupRect_{}, listRect_{};
    bool layoutActive_ = false;
};
