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
        int status = 0;  // 0, or a negative library status
        DeviceList devices;
    };

    static Result run(const EntityPattern& pattern, int maxDevices, std::chrono::milliseconds timeout);

    // How many times the library sends the request, one a second, to fill `timeout`.
    static int sendsFor(std::chrono::milliseconds timeout);
};

} // namespace vidur::cli
