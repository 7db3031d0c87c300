// The commands of Explorer's navigation pane and the desktop icon, and what a row's tip
// and the status line say of them. Each command takes the state of the focused row, sets
// the opposite on every selected row as one step of undo, updates the list and then
// says once what could not be written.
#include "mainwnd/DeleteObject.h"

#include "framework/Resources.h"
#include "res/resource.h"
#include "store/ClassRoots.h"
#include "store/DesktopIcon.h"

#include <set>
#include <utility>

namespace {
// The Desktop place of an entry's scope, whose folder shows both settings.
int DesktopOfScope(int placeIndex) {
    return placeIndex < 4 ? 0 : 4;
}

std::wstring HiveName(vs::KeyHandle hive) {
    return hive == vs::LocalMachine() ? L"HKEY_LOCAL_MACHINE\\" : L"HKEY_CURRENT_USER\\";
}
} // namespace

const vs::InventoryRow* CDeleteObject::InventoryRowOf(int row) const {
    const LPARAM index = ItemData(row);
    if (index < 0 || static_cast<std::size_t>(index) >= inventory_.rows.size())
        return nullptr;
    return &inventory_.rows[static_cast<std::size_t>(index)];
}

int CDeleteObject::FocusedRow() const {
    return static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

LRESULT CDeleteObject::OnNavigationPane(const Message&) {
    if (!BeginChange(ID_NAVIGATION_PANE))
        return 0;
    const vs::InventoryRow* focused = InventoryRowOf(FocusedRow());
    const bool pin = !(focused && focused->info && focused->info->pinned);
    vs::Failures failures;
    std::set<vs::ShellObjectInfo*> done;
    ForEachSelectedEntry([&](vs::ShellObjectEntry& entry) {
        vs::ShellObjectInfo* info = entry.info;
        if (!info || !done.insert(info).second)
            return;
        if (const vs::Status status = info->SetPinned(pin); status != vs::kOk)
            failures.push_back({pin ? vs::Action::Pin : vs::Action::Unpin, info->name,
                                vs::ClassesPlace(info->classesHive), status});
        NotifyPlace(DesktopOfScope(entry.PlaceIndex()));
    });
    UpdateList();
    EndChange();
    ReportFailures(failures);
    return 0;
}

LRESULT CDeleteObject::OnDesktopIcon(const Message&) {
    if (!BeginChange(ID_DESKTOP_ICON))
        return 0;
    const vs::InventoryRow* focused = InventoryRowOf(FocusedRow());
    const bool hide = !(focused && focused->desktopIconHidden);
    vs::Failures failures;
    std::set<std::pair<int, std::wstring>> done; // scope's Desktop place, class identifier
    ForEachSelectedEntry([&](vs::ShellObjectEntry& entry) {
        const int desktop = DesktopOfScope(entry.PlaceIndex());
        if (!entry.info || entry.PlaceIndex() < 0 || !done.emplace(desktop, entry.info->clsid).second)
            return;
        const vs::Status status =
            vs::SetDesktopIconHidden(store_, vs::ScopeHive(desktop), entry.info->clsid, hide);
        if (status != vs::kOk)
            failures.push_back({hide ? vs::Action::HideDesktopIcon : vs::Action::ShowDesktopIcon,
                                entry.info->name, desktop, status});
        NotifyPlace(desktop);
    });
    UpdateList();
    EndChange();
    ReportFailures(failures);
    return 0;
}

void CDeleteObject::CheckDesktopCommands(HMENU popup) {
    const vs::InventoryRow* focused = InventoryRowOf(FocusedRow());
    const bool pinned = focused && focused->info && focused->info->pinned;
    const bool shown = focused && !focused->desktopIconHidden;
    CheckMenuItem(popup, ID_NAVIGATION_PANE, MF_BYCOMMAND | (pinned ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(popup, ID_DESKTOP_ICON, MF_BYCOMMAND | (shown ? MF_CHECKED : MF_UNCHECKED));
}

std::size_t CDeleteObject::NavigationPaneCount() const {
    // Explorer shows a pinned class through a Desktop entry it reads, one not hidden.
    std::set<const vs::ShellObjectInfo*> pinned;
    for (const vs::ShellObjectEntry& entry : inventory_.entries)
        if (entry.info && entry.info->pinned && !entry.hidden &&
            DesktopOfScope(entry.PlaceIndex()) == entry.PlaceIndex())
            pinned.insert(entry.info);
    return pinned.size();
}

std::wstring CDeleteObject::RowTip(int row) const {
    const vs::InventoryRow* shown = InventoryRowOf(row);
    const vs::ShellObjectEntry* entry =
        shown ? &inventory_.entries[static_cast<std::size_t>(shown - inventory_.rows.data())] : nullptr;
    if (!entry || !entry->info)
        return std::wstring();
    const vs::ShellObjectInfo& info = *entry->info;
    std::wstring tip = FormatResourceString(
        IDS_ROW_TIP, {info.clsid, HiveName(info.classesHive) + vs::ClassKeyPath(info.clsid),
                      HiveName(entry->hive) + entry->parentPath + L"\\" + entry->keyName,
                      LoadResourceString(info.pinned ? IDS_ROW_TIP_YES : IDS_ROW_TIP_NO),
                      LoadResourceString(shown->desktopIconHidden ? IDS_ROW_TIP_HIDDEN : IDS_ROW_TIP_SHOWN)});
    if (info.Has32BitCopy())
        tip += FormatResourceString(IDS_ROW_TIP_COPY,
                                    {HiveName(info.classesHive) + vs::Class32KeyPath(info.clsid)});
    return tip;
}
