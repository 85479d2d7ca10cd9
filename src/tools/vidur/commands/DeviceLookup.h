// SPDX-License-Identifier: MIT
// An NBP look-up through the AppleTalk library, waited for: every device that answered
// within the time given, at most `maxDevices`.
#pragma once

#include "tools/vidur/commands/DeviceList.h"
#include "tools/vidur/commands/EntityPattern.h"

#include <chrono>

namespace vidur::cli {

class DeviceLookup {
public:
    struct Result {
        int status = 0; // 0, or a negative library status
        DeviceList devices;
    };

    static Result run(const EntityPattern& pattern, int maxDevices, std::chrono::milliseconds timeout);

    // The library's interval (units of 8/60 s) and send count that fill `timeout`.
    struct Schedule {
        int interval = 0;
        int sends = 0;
    };
    static Schedule scheduleFor(std::chrono::milliseconds timeout);
};

} // namespace vidur::cli
