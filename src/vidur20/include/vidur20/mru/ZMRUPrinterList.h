// SPDX-License-Identifier: MIT
// The printers the user chose most recently, newest first, read from the printers' recent
// list in "Halvora.INI" when the list is constructed. It only reads: the printer packages
// write that list when a printer is chosen.
#pragma once

#include "vidur20/Vidur20Export.h"
#include "vidur20/nbp/ZNBPTupleList.h"

class VIDUR20_EXPORT ZMRUPrinterList : public ZNBPTupleList {
public:
    ZMRUPrinterList();
    ~ZMRUPrinterList() override;

private:
    void LoadProfileSettings();
};
