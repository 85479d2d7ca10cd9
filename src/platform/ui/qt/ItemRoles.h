// SPDX-License-Identifier: MIT
// Where list and combo box items keep their Win32 state, and what both boxes share: the
// sorted insert and the search.
#pragma once

#include <QByteArray>
#include <Qt>
#include <string>
#include <string_view>

#include "platform/ui/Win32Ui.h"
#include "text/MacRoman.h"

namespace ui_detail {

constexpr int kBytesRole = Qt::UserRole + 1; // QByteArray: the item's text in Mac OS Roman
constexpr int kDataRole = Qt::UserRole + 2; // qulonglong: the item data
constexpr int kHeightRole = Qt::UserRole + 3; // int: an owner-drawn item's measured height

// What a box reads of an item on every sorted insert and search, kept as plain members of
// the item (not behind a QVariant) and filled before the item goes into the box.
struct BoxRow {
    QByteArray bytes; // the text in Mac OS Roman
    std::string sortKey; // BoxSortKey of the bytes; empty in a box that does not sort strings
    ULONG_PTR data = 0; // the item data
};

// The position a sorted box inserts at, found as Win32's list box finds it: a binary search
// that stops at the first item comparing equal, so a new item goes before an equal one.
// compareWith(i) compares the new item with item i (negative: the new one sorts first).
template <typename CompareWith>
int sortedInsertPosition(int count, CompareWith&& compareWith) {
    int low = 0;
    int high = count;
    while (low != high) {
        const int middle = (low + high) / 2;
        const int result = compareWith(middle);
        if (result == 0) return middle;
        if (result < 0)
            high = middle;
        else
            low = middle + 1;
    }
    return high;
}

// LB_FINDSTRING (CB_FINDSTRING asks the same of its list): the first item after `start`,
// wrapping round, whose text begins with `text` without regard to case (exact: equals it).
// Without strings, the item whose data is the pointer given. rowAt(i) is item i's BoxRow;
// the result is -1 (LB_ERR, CB_ERR) when nothing matches.
template <typename RowAt>
int findRow(int count, int start, LPCSTR text, bool exact, bool hasStrings, RowAt&& rowAt) {
    if (count == 0) return LB_ERR;
    if (start < -1 || start >= count) start = -1;
    const std::string_view wanted = text ? text : "";
    for (int k = 1; k <= count; ++k) {
        const int i = (start + k) % count;
        const BoxRow& row = rowAt(i);
        if (!hasStrings) {
            if (row.data == reinterpret_cast<ULONG_PTR>(text)) return i;
            continue;
        }
        std::string_view item(row.bytes.constData(), static_cast<std::size_t>(row.bytes.size()));
        if (!exact && item.size() >= wanted.size()) item = item.substr(0, wanted.size());
        if (vidur::text::compareFolded(item, wanted) == 0) return i;
    }
    return LB_ERR;
}

} // namespace ui_detail
