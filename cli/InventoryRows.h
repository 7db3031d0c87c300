#pragma once
// The installed objects as plain rows in the window's order, read through the inventory
// with a view that keeps the rows instead of showing them. No icon is extracted, since no
// row here shows one.

#include "store/Inventory.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vs::cli {

struct InventoryRow {
    ShellObjectEntry* entry = nullptr; // one of the inventory's entries
    int placeIndex = -1;
    std::wstring name;
    std::wstring location;
    std::wstring target;
    std::wstring description;
};

// The order of names: < 0, 0 or > 0 as a sorts before, with or after b.
using NameOrder = std::function<int(const std::wstring& a, const std::wstring& b)>;

class InventoryRows {
public:
    InventoryRows(RegistryStore& store, Platform& platform);
    ~InventoryRows();
    InventoryRows(const InventoryRows&) = delete;
    InventoryRows& operator=(const InventoryRows&) = delete;

    // Rebuilds the inventory and the rows, sorted by name as the window's list sorts them
    // (rows of equal names in the order they were met). With expert, the entries without
    // the program's marker are listed too, as in the window's Expert Mode.
    void Read(bool expert, const NameOrder& order);

    const std::vector<InventoryRow>& Rows() const { return rows_; }

private:
    class NoIconPlatform;
    class RowView;

    std::unique_ptr<NoIconPlatform> platform_;
    Inventory inventory_;
    std::vector<InventoryRow> rows_;
};

// The place (0..7) an entry stands in, or -1.
int PlaceOfEntry(const ShellObjectEntry& entry);

} // namespace vs::cli
