// Where list and combo box items keep their Win32 state in Qt's item models, and the sorted
// insert both boxes share.
#pragma once

#include <Qt>
#include <functional>

namespace ui_detail {

constexpr int kBytesRole = Qt::UserRole + 1;  // QByteArray: the item's text in Mac OS Roman
constexpr int kDataRole = Qt::UserRole + 2;   // qulonglong: the item data
constexpr int kHeightRole = Qt::UserRole + 3; // int: an owner-drawn item's measured height

// The position a sorted box inserts at, found as Win32's list box finds it: a binary search
// that stops at the first item comparing equal, so a new item goes before an equal one.
// compareWith(i) compares the new item with item i (negative: the new one sorts first).
inline int sortedInsertPosition(int count, const std::function<int(int)>& compareWith) {
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

} // namespace ui_detail
