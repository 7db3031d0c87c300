#pragma once
// The installed-objects dialog, the program's main window: lists every shell object
// registered in the eight places, filtered and sorted as the user asks, and offers the
// commands through a context menu, two buttons and keys. The list commands live in
// ListCommands.cpp, the edit commands in EditCommands.cpp, the create command in
// CreateCommand.cpp, what the window does with its rows (filter, sort, status line,
// keeping the selection, the keys' own commands) in ShownRows.cpp, export, import and undo
// in TransferCommands.cpp, and the undo steps and backups every changing command records
// in UndoSteps.cpp.

#include "framework/Dialog.h"
#include "framework/Elevation.h"
#include "framework/UniqueHandle.h"
#include "mainwnd/FirstScan.h"
#include "mainwnd/ListViewInventory.h"
#include "mainwnd/RowOrder.h"
#include "mainwnd/WindowLayout.h"
#include "mainwnd/WindowSettings.h"
#include "store/Failure.h"
#include "store/HealthCheck.h"
#include "store/Inventory.h"
#include "store/Platform.h"
#include "store/RegistryStore.h"
#include "store/RegistryWatch.h"
#include "store/ShellObjectEntry.h"
#include "store/TargetCheck.h"
#include "store/UndoHistory.h"

#include <windows.h>

#include <filesystem>
#include <optional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class CDeleteObject : public CDialog {
public:
    // Loads the settings (expert mode, saved placement, sort) from store; parent null makes
    // the dialog a top-level window; elevation null means the process's own.
    CDeleteObject(vs::RegistryStore& store, vs::Platform& platform, HWND parent = nullptr,
                  Elevation* elevation = nullptr);
    // Saves the settings.
    ~CDeleteObject() override;

    // How a command renamed the entry keys of the selected rows, so that their rows stay
    // selected under the new names.
    enum class Renamed { None, Hidden, Unhidden };
    // Rebuilds the inventory from the registry and shows the rows that pass the filter, in
    // the sort order. Rows that were selected and still exist stay selected, the focused row
    // keeps the focus and stays in view; the delete button is enabled exactly when rows are
    // selected.
    void RefreshList(Renamed renamed = Renamed::None);
    // After a command: reads again only the places and class records that changed (all
    // that nothing watches) and changes, inserts and deletes only the rows that differ,
    // keeping the icons. The rows shown, the selection and the focus are those RefreshList
    // would give.
    void UpdateList(Renamed renamed = Renamed::None);
    // Call before the window is created: the window then shows at once and answers while
    // the registry is read on a thread of its own (the store and the platform must be safe
    // to use from another thread); the rows follow once it is read, with what changed
    // meanwhile. Until then the status line says the registry is being read.
    void FillAfterShowing() { fillAfterShowing_ = true; }
    // The first reading of the registry has not come in yet.
    bool Reading() const { return scan_ != nullptr; }
    // Follows the registry through watch instead of the Windows registry's own watch (its
    // changes from now on).
    void SetRegistryWatch(std::unique_ptr<vs::RegistryWatch> watch) { watch_ = std::move(watch); }

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
    ListViewInventory& ListView() { return view_; }
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

    // Keys go through the accelerator tables before the dialog sees them.
    bool PreTranslateMessage(MSG& msg) override;

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
    // Navigation pane and desktop icon (DesktopCommands.cpp): each toggles the state of
    // the focused row for every selected row.
    LRESULT OnNavigationPane(const Message& msg);
    LRESULT OnDesktopIcon(const Message& msg);
    // A row's tip: class identifier, class key, entry key, 32-bit copy, navigation pane and
    // desktop icon; empty for a row that names no entry.
    std::wstring RowTip(int row) const;
    // Objects Explorer shows in its navigation pane: pinned classes with a Desktop entry
    // that is not hidden.
    std::size_t NavigationPaneCount() const;
    // Create command (CreateCommand.cpp).
    LRESULT OnCreateNew(const Message& msg);
    // Commands of keys (ShownRows.cpp).
    LRESULT OnRefresh(const Message& msg);
    LRESULT OnSelectAll(const Message& msg);
    LRESULT OnFind(const Message& msg);
    LRESULT OnCopyRows(const Message& msg);
    LRESULT OnContextMenuKey(const Message& msg);
    LRESULT OnClearFilter(const Message& msg);
    LRESULT OnFocusList(const Message& msg);
    // The check for problems (ProblemCommands.cpp).
    LRESULT OnCheckProblems(const Message& msg);

    // The problems of the inventory as the check finds them, without the targets'; with
    // orphans, also the class keys of the program's that no entry names.
    std::vector<vs::Problem> FindProblems(bool orphans);
    // Repairs the problems (for the visible and hidden kind, keepHidden says which entry
    // stays) as one command, updates the list and says once what failed.
    void RepairProblems(const std::vector<vs::Problem>& problems, const std::vector<bool>& keepHidden);
    // Selects the rows of the problem's entry, or of every entry of its class, switching to
    // Expert Mode and clearing the filter where they would not show.
    void ShowProblem(const vs::Problem& problem);
    // The problems of a list row as its tooltip tells them, one per line; empty for none.
    const std::wstring& RowProblemText(int row);
    // How the check looks for targets (tests stage their own).
    void SetTargetProbe(vs::TargetChecker::Probe probe) { targetProbe_ = std::move(probe); }

    // Export, import and undo (TransferCommands.cpp).
    LRESULT OnExport(const Message& msg);
    LRESULT OnImport(const Message& msg);
    LRESULT OnUndo(const Message& msg);

    // Writes the class key trees and entry key trees of the selected rows to file, each
    // key once; false, after saying why, when the file was not written.
    bool ExportSelection(const std::filesystem::path& file);
    // Reads file, checks it and writes it as one step of undo; false, after saying why,
    // when it was not written (then nothing of it is).
    bool ImportFile(const std::filesystem::path& file);

    // Where backup files go: %LOCALAPPDATA%\Varnoset\Backups unless set here.
    void SetBackupFolder(std::filesystem::path folder) { backupFolder_ = std::move(folder); }
    std::filesystem::path BackupFolderPath() const;
    const vs::UndoHistory& History() const { return history_; }
    // A command's name as the undo item and the backup files show it ("Copy to Desktop
    // (this user)"), by the command id a step records.
    std::wstring CommandName(UINT command) const;

    // Which key trees of a selected row a command may write.
    enum Touches : unsigned {
        kClassTrees = 1,    // the class key tree, in this user's and in the machine's classes
        kEntryTree = 2,     // the row's entry key tree
        kOtherName = 4,     // the entry key under its other name: hidden, or shown again
        kTargetEntry = 8,   // the entry key at the place a copy or move goes to
        kNewObject = 16,    // no row: the trees of the object the wizard creates
        kDesktopIcons = 32, // the NewStartPanel key of the row's scope (desktop icon values)
    };

protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    bool HandleMessage(const Message& msg, LRESULT& result) override;

private:
    // An entry key: its hive and its path below it.
    struct EntryKey {
        vs::KeyHandle hive = nullptr;
        std::wstring path;
    };
    // What of the list's state a rebuild keeps: the keys of the selected rows and of the
    // focused one (each first under the name a command gave it, then under its old one),
    // where the focused row stood and which row was at the top.
    struct ListPlace {
        std::vector<std::vector<EntryKey>> selected;
        std::vector<EntryKey> focused;
        int focusedRow = -1;
        int topRow = 0;
    };

    LRESULT OnListItemChanged(const Message& msg);
    LRESULT OnListRangeChanged(const Message& msg);
    // The list's questions: the cells of a row, and the row whose name starts with the
    // keys typed.
    LRESULT OnGetDispInfo(const Message& msg);
    LRESULT OnFindItem(const Message& msg);
    LRESULT OnColumnClick(const Message& msg);
    LRESULT OnFilterChange(const Message& msg);
    LRESULT OnListRightClick(const Message& msg);
    LRESULT OnGetMinMaxInfo(const Message& msg);
    LRESULT OnSize(const Message& msg);
    LRESULT OnMove(const Message& msg);
    LRESULT OnDpiChanged(const Message& msg);
    LRESULT OnDrawItem(const Message& msg);
    LRESULT OnDestroy(const Message& msg);
    LRESULT OnGetInfoTip(const Message& msg);
    // The problems of every listed entry, for the rows' warnings and tooltips.
    void FindRowProblems();
    // The inventory row a list row shows, or null.
    const vs::InventoryRow* InventoryRowOf(int row) const;
    // LVM_GETNEXTITEM with LVNI_FOCUSED, or -1.
    int FocusedRow() const;
    // The check marks of the navigation-pane and desktop-icon commands: the focused row's.
    void CheckDesktopCommands(HMENU popup);
    // Outside changes: taken a tick after they are first seen, so that a burst comes as one
    // update, and never while a command, a dialog or a menu of this window runs.
    LRESULT OnTimer(const Message& msg);
    // The first reading, from its thread: the rows, then what changed while it ran; then
    // the watch's changes are taken.
    LRESULT OnScanDone(const Message& msg);
    // Starts the first reading (again, when it runs), with the watch armed first.
    void StartScan();
    // The first fill when the window reads the registry itself.
    void FirstFill();

    // A row's item data (its index in the inventory), or -1 when it has none.
    LPARAM ItemData(int row) const;
    // LVM_GETSELECTEDCOUNT.
    int SelectedCount() const;

    // Undo steps (UndoSteps.cpp). A command that changes the registry calls BeginChange
    // first and runs only when it returns true: it captures the key trees the command may
    // write (the selected rows' trees, by what the command touches) and saves them as a
    // backup file. EndChange, called last, records the command as one step of undo when
    // it changed anything; the wizard passes the class identifier it created.
    bool BeginChange(UINT command);
    // The same for the trees given (a repair's), and for trees already captured (an import's).
    bool BeginChange(UINT command, const std::vector<vs::TreeRef>& trees);
    bool BeginChange(UINT command, vs::Snapshot before);
    void EndChange(const std::wstring& newClass = {});
    // The trees of the selected rows that a command touching these (UndoSteps.cpp) may
    // write; command names the place of a copy or move.
    std::vector<vs::TreeRef> SelectedTrees(unsigned touches, UINT command);
    // Writes before as a backup file named after label; saved receives its path.
    bool SaveBackup(const std::wstring& label, const vs::Snapshot& before, std::filesystem::path* saved);
    // Tells the shell about every place where a tree differs between two captures of the
    // same trees: a place whose entry key tree differs, or that shows an entry of a class
    // whose class key tree differs.
    void NotifyChanges(const vs::Snapshot& from, const vs::Snapshot& to);
    // Sets the undo item's text and state in the context menu.
    void UpdateUndoItem(HMENU popup) const;
    // What a change that failed could not write ("Writing <key> failed: <status>"), then
    // unchanged when nothing was changed, or what the rollback could not write.
    std::wstring FailureText(const vs::ChangeReport& report, const std::wstring& unchanged) const;
    // A message box over the window with its caption; what MessageBoxW returns.
    int ShowMessage(const std::wstring& text, UINT flags) const;
    // The one message of a command that could not do everything. When accessDenied and the
    // program runs without an administrator's rights, it offers to restart elevated.
    void ShowFailure(std::wstring text, bool accessDenied);

    void UpdateDeleteButton();
    // Shows how many rows the list shows, how many of them are hidden and selected.
    void UpdateStatus();
    void RememberWindowRect();
    // Tells the shell that the folder of a place changed.
    void NotifyPlace(int placeIndex);
    // Shows the context menu (its first popup) at a point on the screen.
    void ShowContextMenu(POINT screen);

    // The list's state before it changes; renamed says how the selected entries' keys
    // were renamed since the rows were shown.
    ListPlace CapturePlace(Renamed renamed);
    // Shows the inventory's rows that pass the filter in the sort order again, taking new
    // images (and autosizing the columns) when asked, and puts the place back on the rows
    // that still exist.
    void ShowRows(const ListPlace& place, bool loadImages);
    // Updates the inventory for parts and the list in place; scrolls back to place's rows
    // when asked (after a command), else leaves the view where the user has it.
    void ShowChanges(const vs::ChangedParts& parts, const ListPlace& place, bool restoreScroll);
    // The text of the selected rows as Ctrl+C copies it: a header line, then one line per
    // row, each of Name, Location, Target, Description and the class identifier separated by
    // tabs, every line ending in CRLF. Empty without a selection.
    std::wstring SelectedRowsText();
    // Selects and focuses the rows of place; the row focused now, or -1.
    int RestoreSelection(const ListPlace& place);
    // Scrolls topRow to the top as far as the list goes, then focused into view.
    void RestoreScroll(int topRow, int focused);
    // The sort arrow on the heading of the sorted column, on no other.
    void ShowSortArrow();
    // The dialog's font at the current DPI, given to every control.
    void ScaleFont();
    // The one message at the end of a command, when something failed. Where a failure was
    // "access denied" and the program runs without an administrator's rights, it offers to
    // restart elevated.
    void ReportFailures(const vs::Failures& failures);
    // Saves the settings, starts the program elevated and, once that started, closes.
    void RestartElevated();

    vs::RegistryStore& store_;
    vs::Platform& platform_;
    WinElevation ownElevation_;
    Elevation& elevation_;

    HWND list_ = nullptr;
    HWND deleteButton_ = nullptr;
    HWND createButton_ = nullptr;
    HWND closeButton_ = nullptr;
    HWND groupBox_ = nullptr;
    HWND filter_ = nullptr;
    HWND status_ = nullptr;
    HACCEL windowKeys_ = nullptr;
    HACCEL filterKeys_ = nullptr;

    vs::Inventory inventory_;
    std::unique_ptr<vs::RegistryWatch> watch_;
    // Messages of this window being handled, nested ones counted (a dialog's or menu's own
    // loop runs inside the handler that opened it).
    int handling_ = 0;
    bool changesSeen_ = false;
    bool fillAfterShowing_ = false;
    bool filled_ = false;
    // The first reading while it runs, which of them it is, and the parts that commands
    // changed meanwhile where no watch sees it.
    std::unique_ptr<FirstScan> scan_;
    WPARAM scanTicket_ = 0;
    vs::ChangedParts missedByScan_;
    ListViewInventory view_;
    vs::WindowSettings settings_;
    SortOrder sort_;
    std::wstring filterText_;
    std::vector<std::size_t> shown_;
    // The problems of each listed entry, by its index in the inventory, as tooltip text.
    std::vector<std::wstring> rowProblems_;
    vs::TargetChecker::Probe targetProbe_ = vs::TargetExists;
    // Set while the list's rows are replaced: selection changes then tell nobody.
    bool fillingRows_ = false;

    WindowLayout layout_;
    bool layoutActive_ = false;
    // The DPI the window is shown at, and the one its template font was made for with that
    // font's description; a font made for another DPI replaces it.
    UINT dpi_ = 96;
    UINT fontDpi_ = 96;
    LOGFONTW templateFont_{};
    UniqueFont scaledFont_;

    vs::UndoHistory history_;
    std::filesystem::path backupFolder_;
    // The command between BeginChange and EndChange.
    struct PendingChange {
        UINT command = 0;
        vs::Snapshot before;
        std::filesystem::path backup; // the backup file written for it, if any
        // A new object: the keys its trees will stand below, with how many names of each
        // path existed before it ran.
        std::vector<std::pair<vs::TreeRef, std::size_t>> newTreeParents;
    };
    std::optional<PendingChange> pending_;
};
