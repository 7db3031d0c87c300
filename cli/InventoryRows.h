#pragma once
// The installed objects as the inventory's rows in the window's order: sorted by name as
// the window's list sorts them, each with the entry it shows.

#include "store/Inventory.h"

#include <functional>
#include <string>
#include <vector>

namespace vs::cli {

struct ObjectRow {
    ShellObjectEntry* entry = nullptr; // one of the inventory's entries
    int placeIndex = -1;
    std::wstring name;
    std::wstring target;
    std::wstring description;
    bool desktopIconHidden = false; // by the value of the entry's scope
};

// The order of names: < 0, 0 or > 0 as a sorts before, with or after b.
using NameOrder = std::function<int(const std::wstring& a, const std::wstring& b)>;

class InventoryRows {
public:
    InventoryRows(RegistryStore& store, Platform& platform) : inventory_(store, platform) {}
    InventoryRows(const InventoryRows&) = delete;
    InventoryRows& operator=(const InventoryRows&) = delete;

    // Rebuilds the inventory and the rows, sorted by name as the window's list sorts them
    // (rows of equal names in the order they were met). With expert, the entries without
    // the program's marker are listed too, as in the window's Expert Mode.
    void Read(bool expert, const NameOrder& order);

    const std::vector<ObjectRow>& Rows() const { return rows_; }

private:
    Inventory inventory_;
    std::vector<ObjectRow> rows_;
};

// The place (0..7) an entry stands in, or -1.
int PlaceOfEntry(const ShellObjectEntry& entry);

} // namespace vs::cli
