#include "mainwnd/RowOrder.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <string>

namespace {

std::wstring Lowered(std::wstring text) {
    if (!text.empty())
        CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

class Arranger {
public:
    Arranger(const std::vector<vs::InventoryRow>& rows, std::span<const std::wstring> labels)
        : rows_(rows), labels_(labels) {}

    const std::wstring& Cell(std::size_t row, int column) const {
        const vs::InventoryRow& r = rows_[row];
        switch (column) {
        case 1:
            return Label(r.placeIndex);
        case 2:
            return r.target;
        case 3:
            return r.description;
        default:
            return r.name;
        }
    }

    bool Matches(std::size_t row, const std::wstring& loweredFilter) const {
        for (int column = 0; column < 4; ++column) {
            if (Lowered(Cell(row, column)).find(loweredFilter) != std::wstring::npos)
                return true;
        }
        return false;
    }

    // Makes the sort keys of the rows' cells in column, which Compare then compares.
    void PrepareKeys(const std::vector<std::size_t>& shown, int column) {
        std::vector<std::string>& keys = keys_[static_cast<std::size_t>(column)];
        if (!keys.empty())
            return;
        keys.resize(rows_.size());
        for (const std::size_t row : shown)
            keys[row] = SortKey(Cell(row, column));
    }

    // As lstrcmpiW compares the cells of column, then of Name, then of Location; on keys
    // PrepareKeys made for those columns.
    int Compare(std::size_t a, std::size_t b, int column) const {
        for (const int by : {column, 0, 1}) {
            const std::vector<std::string>& keys = keys_[static_cast<std::size_t>(by)];
            if (const int order = keys[a].compare(keys[b]); order != 0)
                return order;
        }
        return 0;
    }

private:
    const std::wstring& Label(int place) const {
        static const std::wstring none;
        return place >= 0 && static_cast<std::size_t>(place) < labels_.size()
                   ? labels_[static_cast<std::size_t>(place)]
                   : none;
    }

    // The text's sort key for lstrcmpiW's comparison (the thread's locale, case ignored):
    // two keys compare as CompareStringW compares their texts, so each text is weighed
    // once instead of at every comparison of a sort.
    static std::string SortKey(const std::wstring& text) {
        constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
        const LCID locale = GetThreadLocale();
        const int length = static_cast<int>(text.size());
        std::string key(static_cast<std::size_t>(
                            std::max(0, LCMapStringW(locale, kFlags, text.c_str(), length, nullptr, 0))),
                        '\0');
        if (!key.empty())
            key.resize(static_cast<std::size_t>(std::max(0, LCMapStringW(locale, kFlags, text.c_str(), length,
                                                                         reinterpret_cast<LPWSTR>(key.data()),
                                                                         static_cast<int>(key.size())))));
        return key;
    }

    const std::vector<vs::InventoryRow>& rows_;
    std::span<const std::wstring> labels_;
    std::array<std::vector<std::string>, 4> keys_;
};

} // namespace

std::vector<std::size_t> ArrangeRows(const std::vector<vs::InventoryRow>& rows,
                                     std::span<const std::wstring> placeLabels, const std::wstring& filter,
                                     SortOrder order) {
    Arranger arranger(rows, placeLabels);
    const std::wstring loweredFilter = Lowered(filter);
    std::vector<std::size_t> shown;
    shown.reserve(rows.size());
    for (std::size_t row = 0; row < rows.size(); ++row) {
        if (loweredFilter.empty() || arranger.Matches(row, loweredFilter))
            shown.push_back(row);
    }
    const int column = std::clamp(order.column, 0, 3);
    for (const int by : {column, 0, 1})
        arranger.PrepareKeys(shown, by);
    std::stable_sort(shown.begin(), shown.end(), [&](std::size_t a, std::size_t b) {
        const int compared = arranger.Compare(a, b, column);
        return order.descending ? compared > 0 : compared < 0;
    });
    return shown;
}
