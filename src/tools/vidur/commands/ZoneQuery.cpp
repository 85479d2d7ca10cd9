// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/ZoneQuery.h"

#include "tarvlib/NameFields.h"
#include "tarvlib/TarvlibApi.h"
#include "tools/vidur/cli/LibraryStatus.h"
#include "tools/vidur/commands/NodeInformation.h"

#include <thread>

namespace vidur::cli {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(20);

} // namespace

ZoneQuery::Result ZoneQuery::enumerate(int selector) const {
    Result result;
    ATEnumHandle handle = 0;
    if (const int opened = ZIPOpenEnum(&handle, selector); opened != 0 || handle == 0) {
        result.status = opened != 0 ? opened : -1;
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout_;
    int status = ZIPEnumStatus(handle);
    while (status == ENUM_RUNNING && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(kPollInterval);
        status = ZIPEnumStatus(handle);
    }
    if (status == ENUM_RUNNING) status = LibraryStatus::kTimedOut;
    if (status >= 0) {
        // Complete, or ended early: either way the list holds what the router gave.
        std::uint16_t count = 0;
        ZIPZoneCount(handle, &count);
        for (std::uint16_t index = 0; index < count; ++index) {
            char zone[NBP_NAME_FIELD_SIZE] = {};
            if (ZIPReadEnum(handle, index, zone) == 0) result.zones.emplace_back(appletalk::api::fieldText(zone));
        }
        status = 0;
    }
    ZIPCloseEnum(handle);
    result.status = status;
    return result;
}

ZoneQuery::Result ZoneQuery::allZones() const { return enumerate(0); }

ZoneQuery::Result ZoneQuery::localZones() const {
#ifdef ZIP_ENUM_LOCAL_ZONES
    return enumerate(ZIP_ENUM_LOCAL_ZONES);
#else
    // The library lists only the whole internet's zones. A LocalTalk cable (one network
    // number) has exactly one zone, the node's own, which is what GetLocalZones answers
    // there; only an extended cable would need the router's list.
    const NodeInformation::Reply node = NodeInformation::query(timeout_);
    if (node.status != 0) return {node.status, {}};
    if (node.rangeFirst != node.rangeLast) return {LibraryStatus::kLocalZonesUnknown, {}};
    return myZone();
#endif
}

ZoneQuery::Result ZoneQuery::myZone() const {
    // The library knows the zone once the node has started; the node information request
    // is the one that waits for that.
    const NodeInformation::Reply node = NodeInformation::query(timeout_);
    if (node.status != 0) return {node.status, {}};
    Result result;
    char zone[NBP_NAME_FIELD_SIZE] = {};
    result.status = ZIPGetMyZone(zone);
    if (result.status == 0 && zone[0] != '\0')
        result.zones.emplace_back(appletalk::api::fieldText(zone));
    else if (!node.zone.empty())
        result = {0, {node.zone}};
    return result;
}

} // namespace vidur::cli
