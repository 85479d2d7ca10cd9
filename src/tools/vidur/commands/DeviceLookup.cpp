#include "tools/vidur/commands/DeviceLookup.h"

#include "tarvlib/TarvlibApi.h"
#include "tools/vidur/cli/LibraryStatus.h"

#include <algorithm>
#include <thread>

namespace vidur::cli {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(20);
constexpr int kRetryIntervalSeconds = 1;
// The library's own retries end the look-up; this is only a guard against one that hangs.
constexpr long long kMaxSends = 64;  // the library's limit
constexpr auto kGrace = std::chrono::seconds(3);

} // namespace

int DeviceLookup::sendsFor(std::chrono::milliseconds timeout) {
    // The library sends once a second and completes a second after the last send, so
    // "--timeout 3" asks at 0, 1 and 2 s and is done at 3 s.
    const auto seconds = (timeout.count() + 999) / 1000;
    return static_cast<int>(std::clamp<long long>(seconds, 1, kMaxSends));
}

DeviceLookup::Result DeviceLookup::run(const EntityPattern& pattern, int maxDevices, std::chrono::milliseconds timeout) {
    Result result;
    _NBPEntityName name{};
    NBPSetEntityName(&name, pattern.object().c_str(), pattern.type().c_str(), pattern.zone().c_str());
    ATEnumHandle handle = 0;
    if (const int opened = NBPOpenEnum(&handle, kRetryIntervalSeconds, sendsFor(timeout), maxDevices, &name);
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
