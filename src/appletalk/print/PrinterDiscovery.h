// SPDX-License-Identifier: MIT
// Every PostScript printer on the AppleTalk internet the settings choose (PrinterSurvey on a
// stack of its own), for the CUPS backend's discovery mode.
#pragma once

#include "appletalk/print/PrinterSurvey.h"
#include "appletalk/runtime/StackSettings.h"

#include <string>
#include <vector>

namespace appletalk::print {

struct Discovery {
    bool online = false;
    std::string problem;
    std::vector<DiscoveredPrinter> printers; // sorted by zone, then name
};

Discovery discoverPrinters(const appletalk::runtime::StackSettings& settings);

} // namespace appletalk::print
