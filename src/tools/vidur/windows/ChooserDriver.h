// SPDX-License-Identifier: MIT
// Follows the Chooser that `vidur chooser` opens through HVRDeviceChooser. Once the zone
// list and the first look-up are done it notes what the window shows (zones, the selected
// zone, the devices found) and takes the screenshot; offscreen it then acts as the user:
// selects the first device and presses OK, or Cancel when nothing was found in time.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "vidur20/module/HVRWindowObserver.h"

namespace vidur::cli {

class WindowEnvironment;

class ChooserDriver : public HVRWindowObserver {
public:
    ChooserDriver(WindowEnvironment& environment, std::optional<std::string> screenshot, int timeoutMs)
        : environment_(environment), screenshot_(std::move(screenshot)), timeoutMs_(timeoutMs) {}

    void WindowOpened(CWnd& window, HVRWindowKind kind) override;
    void WindowClosed(CWnd& window, HVRWindowKind kind) override;

    // What the window showed when the look-up was done (UTF-8).
    struct Seen {
        bool lookupDone = false;
        std::string type;
        std::vector<std::string> zones;
        std::string zone;
        std::vector<std::string> devices; // the names the list shows
        bool recorded = false; // OK put the choice first in its recent list
    };
    const Seen& seen() const { return seen_; }

private:
    void Drive(CWnd& chooser);
    static bool LookupDone(CWnd& chooser);
    void Note(CWnd& chooser);

    WindowEnvironment& environment_;
    std::optional<std::string> screenshot_;
    int timeoutMs_;
    Seen seen_;
};

} // namespace vidur::cli
