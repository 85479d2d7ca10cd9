// SPDX-License-Identifier: MIT
#include "vidur20/mru/ZMRUPrinterList.h"

#include <new>

#include "vidur20/packages/RecentListFormat.h"

ZMRUPrinterList::ZMRUPrinterList() { LoadProfileSettings(); }

ZMRUPrinterList::~ZMRUPrinterList() = default;

void ZMRUPrinterList::LoadProfileSettings() {
    const CString category("Printer");
    for (int index = 1; index <= recentlist::kRecentListReadLimit; ++index) {
        // Cleared so that the enumerator and padding are those of an empty tuple.
        _NBPTuple record{};
        // The first absent or unreadable entry ends the list.
        if (!recentlist::readEntry(category, index, record)) return;
        // A stored address is only where the printer was once; a look-up supplies the real one.
        record.address = {0, 0, 0};
        ZNBPTuple* tuple = new (std::nothrow) ZNBPTuple(&record);
        if (tuple == nullptr) return;
        if (Add(tuple) < 0) delete tuple; // the same printer twice: the first one stays
    }
}
