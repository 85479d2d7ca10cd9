// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/DeviceLookup.h"

#include "tarvlib/TarvlibApi.h"
#include "tools/vidur/cli/LibraryStatus.h"

#include <algorithm>
#include <thread>

namespace vidur::cli {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(20);
// The Chooser's interval, 2 units of 8/60 s; longer timeouts stretch it to stay within the
// library's 64 sends.
constexpr long long kShortestInterval = 2;
constexpr long long kMaxSends = 64; // the library's limit
constexpr long long kMaxInterval = 255;
// The library's own retries end the look-up; this is only a guard against one that hangs. The
// look-up waits for the stack's start, which on an EtherTalk cable the node has not been on
// before takes two rounds of address probes (2 s each) around GetNetInfo (up to 4 s when no
// router answers): the guard leaves room for all of it.
constexpr auto kGrace = std::chrono::seconds(15);

} // namespace

DeviceLookup::Schedule DeviceLookup::scheduleFor(std::chrono::milliseconds timeout) {
    // The library completes one interval after its last send, so n sends take n intervals:
    // "--timeout 0.5" asks at 0 and 267 ms and is done at 533 ms.
    const long long units = std::max<long long>(1, (timeout.count() * 60 + 7999) / 8000);
    const long long interval = std::clamp((units + kMaxSends - 1) / kMaxSends, kShortestInterval, kMaxInterval);
    const long long sends = std::clamp((units + interval - 1) / interval, 1LL, kMaxSends);
    return {static_cast<int>(interval), static_cast<int>(sends)};
}

DeviceLookup::Result DeviceLookup::run(const EntityPattern& pattern, int maxDevices,
                                       std::chrono::milliseconds timeout) {
    Result result;
    _NBPEntityName name{};
    NBPSetEntityName(&name, pattern.object().c_str(), pattern.type().c_str(), pattern.zone().c_str());
    ATEnumHandle handle = 0;
    const Schedule schedule = scheduleFor(timeout);
    if (const int opened = NBPOpenEnum(&handle, schedule.interval, schedule.sends, maxDevices, &name);
        opened != 0 || handle == 0) {
        result.status = opened != 0 ? opened : -1;
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout + kGrace;
    int status = NBPEnumStatus(handle);
    while (status == ENUM_RUNNING && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kPollInterval);
        status = NBPEnumStatus(handle);
    }
    // A look-up that ran out of time still found what it found.
    if (status >= 0 || status == ENUM_RUNNING) {
        std::uint16_t count = 0;
        NBPFoundCount(handle, &count);
        for (std::uint16_t index = 0; index < count && result.devices.size() < static_cast<std::size_t>(maxDevices);
             ++index) {
            _NBPTuple tuple{};
            if (NBPReadEnum(handle, index, &tuple) == 0) result.devices.add(Device::fromTuple(tuple));
        }
        status = 0;
    }
    NBPCloseEnum(handle);
    result.status = status;
    result.devices.sort();
    return result;
}

} // namespace vidur::cli
