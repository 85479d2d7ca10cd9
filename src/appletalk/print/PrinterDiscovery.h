// SPDX-License-Identifier: MIT
// Every PostScript printer on the AppleTalk internet the settings choose: the zone list, then
// an NBP look-up of each PostScript type (AppleTalk.INI's PostScriptTypes) in every zone, all
// at once. For the CUPS backend's discovery mode.
#pragma once

#include "appletalk/protocols/nbp/NbpName.h"
#include "appletalk/runtime/StackSettings.h"

#include <string>
#include <vector>

namespace appletalk::print {

struct DiscoveredPrinter {
    appletalk::nbp::NbpName name; // Mac OS Roman; the zone is the one looked in, never "*"
};

struct Discovery {
    bool online = false;
    std::string problem;
    std::vector<DiscoveredPrinter> printers; // sorted by zone, then name
};

Discovery discoverPrinters(const appletalk::runtime::StackSettings& settings);

} // namespace appletalk::print
