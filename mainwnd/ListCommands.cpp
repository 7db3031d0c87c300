// The list commands: delete, hide, unhide, copy to and move to a place, and the expert
// switch. Each walks the selected rows, tells the shell which folder changed after every
// row, brings the list up to date at the end and then says once what could not be done. Each
// change is one step of undo.
#include "mainwnd/DeleteObject.h"

#include "mainwnd/Places.h"

namespace {
// The place whose folder is notified for an entry: where its class was first met.
int OwnPlace(const vs::ShellObjectEntry& entry) {
    return entry.info ? entry.info->placeIndex : -1;
}
} // namespace

LRESULT CDeleteObject::OnDelete(const Message& msg) {
    if (!BeginChange(msg.id))
        return 0;
    vs::Failures failures;
    ForEachSelectedEntry([&](vs::ShellObjectEntry& entry) {
        const int place = OwnPlace(entry);
        entry.Delete(store_, failures);
        NotifyPlace(place);
    });
    UpdateList();
    EndChange();
    ReportFailures(failures);
    return 0;
}

LRESULT CDeleteObject::OnHide(const Message& msg) {
    if (!BeginChange(msg.id))
        return 0;
    vs::Failures failures;
    ForEachSelectedEntry([&](vs::ShellObjectEntry& entry) {
        entry.Hide(store_, failures);
        NotifyPlace(OwnPlace(entry));
    });
    UpdateList(Renamed::Hidden);
    EndChange();
    ReportFailures(failures);
    return 0;
}

LRESULT CDeleteObject::OnUnhide(const Message& msg) {
    if (!BeginChange(msg.id))
        return 0;
    vs::Failures failures;
    ForEachSelectedEntry([&](vs::ShellObjectEntry& entry) {
        entry.Unhide(store_, failures);
        NotifyPlace(OwnPlace(entry));
    });
    UpdateList(Renamed::Unhidden);
    EndChange();
    ReportFailures(failures);
    return 0;
}

LRESULT CDeleteObject::OnCopyTo(const Message& msg) {
    if (!BeginChange(msg.id))
        return 0;
    vs::Failures failures;
    if (const vs::NamespaceLocation* target = PlaceByCopyCommand(msg.id)) {
        ForEachSelectedEntry([&](vs::ShellObjectEntry& entry) {
            (void)entry.CopyTo(store_, target->hive, target->nameSpacePath, failures);
            NotifyPlace(target->index);
        });
    }
    UpdateList();
    EndChange();
    ReportFailures(failures);
    return 0;
}

LRESULT CDeleteObject::OnMoveTo(const Message& msg) {
    if (!BeginChange(msg.id))
        return 0;
    vs::Failures failures;
    if (const vs::NamespaceLocation* target = PlaceByMoveCommand(msg.id)) {
        ForEachSelectedEntry([&](vs::ShellObjectEntry& entry) {
            const int place = OwnPlace(entry);
            (void)entry.MoveTo(store_, target->hive, target->nameSpacePath, failures);
            NotifyPlace(place);
            NotifyPlace(target->index);
        });
    }
    UpdateList();
    EndChange();
    ReportFailures(failures);
    return 0;
}

LRESULT CDeleteObject::OnExpertMode(const Message&) {
    inventory_.expertMode = inventory_.expertMode ? 0 : 1;
    RefreshList();
    return 0;
}
