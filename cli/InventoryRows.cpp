#include "cli/InventoryRows.h"

#include "store/NamespaceLocation.h"

#include <algorithm>
#include <array>

namespace vs::cli {

// The real platform for everything but icons: extracting one per class would only slow
// the listing down.
class InventoryRows::NoIconPlatform final : public Platform {
public:
    explicit NoIconPlatform(Platform& inner) : inner_(inner) {}

    std::optional<std::wstring> NewUuidText() override { return inner_.NewUuidText(); }
    IdList FolderLocation(int csidl) override { return inner_.FolderLocation(csidl); }
    void NotifyUpdateDir(IdList list) override { inner_.NotifyUpdateDir(list); }
    void FreeIdList(IdList list) override { inner_.FreeIdList(list); }
    std::optional<std::wstring> DisplayName(const std::wstring& parsingName, std::uint32_t flags) override {
        return inner_.DisplayName(parsingName, flags);
    }
    std::optional<std::wstring> LoadIndirectString(const std::wstring& source) override {
        return inner_.LoadIndirectString(source);
    }
    std::wstring ExpandEnvironment(const std::wstring& text) override {
        return inner_.ExpandEnvironment(text);
    }
    IconHandle ExtractIcon(const std::wstring&, int) override { return nullptr; }
    void DestroyIcon(IconHandle icon) override { inner_.DestroyIcon(icon); }

private:
    Platform& inner_;
};

// Keeps the rows the inventory inserts, in the list's order; the drawing, image list and
// button calls have nothing to act on.
class InventoryRows::RowView final : public InventoryView {
public:
    struct Row {
        std::array<std::wstring, 4> cells; // Name, Location, Target, Description
        std::intptr_t itemData = -1;
    };

    explicit RowView(const NameOrder& order) : order_(order) {}

    void LockDrawing(bool) override {}
    void ResetImageList(int) override {}
    int AddIcon(IconHandle) override { return -1; }
    void DeleteAllRows() override { rows.clear(); }
    void AttachImageList() override {}
    int InsertRow(const std::wstring& name, int) override {
        const auto at =
            std::upper_bound(rows.begin(), rows.end(), name, [this](const std::wstring& a, const Row& b) {
                return order_(a, b.cells[0]) < 0;
            });
        const auto position = at - rows.begin();
        Row row;
        row.cells[0] = name;
        rows.insert(at, std::move(row));
        return static_cast<int>(position);
    }
    void SetCellText(int row, int column, const std::wstring& text) override {
        if (row >= 0 && static_cast<std::size_t>(row) < rows.size() && column >= 0 && column < 4)
            rows[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)] = text;
    }
    void SetItemData(int row, std::intptr_t data) override {
        if (row >= 0 && static_cast<std::size_t>(row) < rows.size())
            rows[static_cast<std::size_t>(row)].itemData = data;
    }
    void AutosizeColumn(int) override {}
    int SelectedCount() override { return 0; }
    void EnableDeleteButton(bool) override {}

    std::vector<Row> rows;

private:
    const NameOrder& order_;
};

InventoryRows::InventoryRows(RegistryStore& store, Platform& platform)
    : platform_(std::make_unique<NoIconPlatform>(platform)), inventory_(store, *platform_) {}

InventoryRows::~InventoryRows() = default;

void InventoryRows::Read(bool expert, const NameOrder& order) {
    RowView view(order);
    inventory_.expertMode = expert ? 1 : 0;
    inventory_.RefreshList(view);
    rows_.clear();
    for (RowView::Row& row : view.rows) {
        ShellObjectEntry* entry = inventory_.EntryAt(row.itemData);
        if (!entry)
            continue;
        rows_.push_back(InventoryRow{entry, PlaceOfEntry(*entry), std::move(row.cells[0]),
                                     std::move(row.cells[1]), std::move(row.cells[2]),
                                     std::move(row.cells[3])});
    }
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
