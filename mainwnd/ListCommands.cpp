// The list commands: delete, hide, unhide, copy to and move to a place, and the expert
// switch. Each walks the selected rows, tells the shell which folder changed after every
// row, and rebuilds the list at the end.
#include "mainwnd/DeleteObject.h"

#include "mainwnd/Places.h"

namespace {
// The place whose folder is notified for an entry: where its class was first met.
int OwnPlace(const vs::ShellObjectEntry& entry) {
    return entry.info ? entry.info->placeIndex : -1;
}
} // namespace

LRESULT CDeleteObject::OnDelete(const Message&) {
    ForEachSelectedEntry([this](vs::ShellObjectEntry& entry) {
        const int place = OwnPlace(entry);
        entry.Delete(store_);
        NotifyPlace(place);
    });
    RefreshList();
    return 0;
}

LRESULT CDeleteObject::OnHide(const Message&) {
    ForEachSelectedEntry([this](vs::ShellObjectEntry& entry) {
        entry.Hide(store_);
        NotifyPlace(OwnPlace(entry));
    });
    RefreshList(Renamed::Hidden);
    return 0;
}

LRESULT CDeleteObject::OnUnhide(const Message&) {
    ForEachSelectedEntry([this](vs::ShellObjectEntry& entry) {
        entry.Unhide(store_);
        NotifyPlace(OwnPlace(entry));
    });
    RefreshList(Renamed::Unhidden);
    return 0;
}

LRESULT CDeleteObject::OnCopyTo(const Message& msg) {
    if (const vs::NamespaceLocation* target = PlaceByCopyCommand(msg.id)) {
        ForEachSelectedEntry([this, target](vs::ShellObjectEntry& entry) {
            (void)entry.CopyTo(store_, target->hive,
                               target->nameSpacePath); // the rebuilt list shows the outcome
            NotifyPlace(target->index);
        });
    }
    RefreshList();
    return 0;
}

LRESULT CDeleteObject::OnMoveTo(const Message& msg) {
    if (const vs::NamespaceLocation* target = PlaceByMoveCommand(msg.id)) {
        ForEachSelectedEntry([this, target](vs::ShellObjectEntry& entry) {
            const int place = OwnPlace(entry);
            (void)entry.MoveTo(store_, target->hive,
                               target->nameSpacePath); // the rebuilt list shows the outcome
            NotifyPlace(place);
            NotifyPlace(target->index);
        });
    }
    RefreshList();
    return 0;
}

LRESULT CDeleteObject::OnExpertMode(const Message&) {
    inventory_.expertMode = inventory_.expertMode ? 0 : 1;
    RefreshList();
    return 0;
}
