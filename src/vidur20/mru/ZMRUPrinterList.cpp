// SPDX-License-Identifier: MIT
#include "vidur20/mru/ZMRUPrinterList.h"

#include <new>

#include "vidur20/packages/RecentListFormat.h"

ZMRUPrinterList::ZMRUPrinterList() { LoadProfileSettings(); }

ZMRUPrinterList::~ZMRUPrinterList() = default;

void ZMRUPrinterList::LoadProfileSettings() {
    // All keys from one reading of the file: read key by key, a list that a Chooser rewrites
    // meanwhile could show one printer twice and lose another.
    for (_NBPTuple record : recentlist::readList(CString("Printer"))) {
        // A stored address is only where the printer was once; a look-up supplies the real one.
        record.address = {0, 0, 0};
        ZNBPTuple* tuple = new (std::nothrow) ZNBPTuple(&record);
        if (tuple == nullptr) return;
        if (Add(tuple) < 0) delete tuple; // the same printer twice: the first one stays
    }
}
