#include "cli/InventoryRows.h"

#include "store/NamespaceLocation.h"

#include <algorithm>

namespace vs::cli {

void InventoryRows::Read(bool expert, const NameOrder& order) {
    inventory_.expertMode = expert ? 1 : 0;
    inventory_.Refresh();
    rows_.clear();
    for (std::size_t index = 0; index < inventory_.rows.size(); ++index) {
        const InventoryRow& row = inventory_.rows[index];
        rows_.push_back(ObjectRow{&inventory_.entries[index], row.placeIndex, row.name, row.target,
                                  row.description, row.desktopIconHidden});
    }
    std::stable_sort(rows_.begin(), rows_.end(),
                     [&order](const ObjectRow& a, const ObjectRow& b) { return order(a.name, b.name) < 0; });
}

int PlaceOfEntry(const ShellObjectEntry& entry) {
    for (const NamespaceLocation& place : NamespaceLocations()) {
        const std::wstring_view root(place.nameSpacePath);
        const std::wstring_view path(entry.parentPath);
        if (entry.hive == place.hive && path.size() >= root.size() &&
            NamesEqual(path.substr(0, root.size()), root) &&
            (path.size() == root.size() || path[root.size()] == L'\\'))
            return place.index;
    }
    return -1;
}

} // namespace vs::cli
