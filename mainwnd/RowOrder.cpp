#include "mainwnd/RowOrder.h"

#include <windows.h>

#include <algorithm>

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

    int Compare(std::size_t a, std::size_t b, int column) const {
        for (const int by : {column, 0, 1}) {
            if (const int order = lstrcmpiW(Cell(a, by).c_str(), Cell(b, by).c_str()); order != 0)
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

    const std::vector<vs::InventoryRow>& rows_;
    std::span<const std::wstring> labels_;
};

} // namespace

std::vector<std::size_t> ArrangeRows(const std::vector<vs::InventoryRow>& rows,
                                     std::span<const std::wstring> placeLabels, const std::wstring& filter,
                                     SortOrder order) {
    const Arranger arranger(rows, placeLabels);
    const std::wstring loweredFilter = Lowered(filter);
    std::vector<std::size_t> shown;
    shown.reserve(rows.size());
    for (std::size_t row = 0; row < rows.size(); ++row) {
        if (loweredFilter.empty() || arranger.Matches(row, loweredFilter))
            shown.push_back(row);
    }
    const int column = std::clamp(order.column, 0, 3);
    std::stable_sort(shown.begin(), shown.end(), [&](std::size_t a, std::size_t b) {
        const int compared = arranger.Compare(a, b, column);
        return order.descending ? compared > 0 : compared < 0;
    });
    return shown;
}
