#pragma once
// Which inventory rows the installed-objects list shows, and in which order: the rows whose
// Name, Location, Target or Description holds the filter text, sorted by one column. Both
// ignore letter case, as the list's own sort did; ties fall back to Name, then Location,
// then the inventory's order. Works on the rows alone: no registry read.

#include "store/InventoryRow.h"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

struct SortOrder {
    int column = 0; // 0 Name, 1 Location, 2 Target, 3 Description
    bool descending = false;
};

// The indices into rows of the rows to show, in the order to show them. placeLabels[i] is
// what the Location column shows for place i (none past its end).
std::vector<std::size_t> ArrangeRows(const std::vector<vs::InventoryRow>& rows,
                                     std::span<const std::wstring> placeLabels, const std::wstring& filter,
                                     SortOrder order);
