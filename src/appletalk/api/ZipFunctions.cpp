// SPDX-License-Identifier: MIT
// The zone functions: ZIPOpenEnum ... ZIPCloseEnum and ZIPGetMyZone.
#include "appletalk/api/OpenEnumerations.h"
#include "appletalk/api/ThrownResult.h"
#include "appletalk/runtime/ApiResults.h"
#include "appletalk/runtime/Stack.h"
#include "tarvlib/NameFields.h"
#include "tarvlib/TarvlibApi.h"

#include <algorithm>

using namespace appletalk::api;
using namespace appletalk::runtime;

namespace {

// Counts are 16-bit: a longer list shows its first 65535 entries.
std::uint16_t clampCount(std::size_t count) { return static_cast<std::uint16_t>(std::min<std::size_t>(count, 0xFFFF)); }

void storeName(char* buffer, const std::string& name) { storeField(buffer, name); }

} // namespace

extern "C" int ZIPOpenEnum(ATEnumHandle* handle, int which) try {
    if (handle == nullptr || (which != ZIP_ENUM_ALL_ZONES && which != ZIP_ENUM_LOCAL_ZONES)) return kErrBadArgument;
    const auto stack = Stack::instance();
    if (!stack) return kErrNoNetwork;
    auto enumeration = std::make_shared<ZoneEnumeration>();
    const ATEnumHandle opened = stack->zoneEnumerations().add(enumeration);
    if (opened == 0) return kErrTooMany;
    stack->run([&stack, &enumeration, which] {
        NetworkOperations& network = stack->network();
        auto fill = [enumeration](int status, std::vector<std::string> zones) {
            enumeration->replaceAll(std::move(zones));
            enumeration->finish(status);
        };
        const OperationId operation =
            which == ZIP_ENUM_LOCAL_ZONES ? network.localZones(std::move(fill)) : network.zoneList(std::move(fill));
        enumeration->cancelWork = [&network, operation] { network.cancel(operation); };
    });
    *handle = opened;
    return kOk;
} catch (...) {
    return ThrownResult::of("ZIPOpenEnum", kErrNoNetwork);
}

extern "C" int ZIPEnumStatus(ATEnumHandle handle) try {
    return enumerationStatus(&Stack::zoneEnumerations, handle);
} catch (...) {
    return ThrownResult::of("ZIPEnumStatus", kErrNoNetwork);
}

extern "C" int ZIPZoneCount(ATEnumHandle handle, uint16_t* count) try {
    if (count == nullptr) return kErrBadArgument;
    const auto enumeration = openEnumeration(&Stack::zoneEnumerations, handle);
    if (!enumeration) return kErrBadHandle;
    *count = clampCount(enumeration->count());
    return kOk;
} catch (...) {
    return ThrownResult::of("ZIPZoneCount", kErrNoNetwork);
}

extern "C" int ZIPReadEnum(ATEnumHandle handle, uint16_t index, char* zone) try {
    if (zone == nullptr) return kErrBadArgument;
    const auto enumeration = openEnumeration(&Stack::zoneEnumerations, handle);
    if (!enumeration) return kErrBadHandle;
    std::string name;
    if (!enumeration->read(index, name)) return kErrBadIndex;
    storeName(zone, name);
    return kOk;
} catch (...) {
    return ThrownResult::of("ZIPReadEnum", kErrNoNetwork);
}

extern "C" int ZIPCloseEnum(ATEnumHandle handle) try {
    return closeEnumeration(&Stack::zoneEnumerations, handle);
} catch (...) {
    return ThrownResult::of("ZIPCloseEnum", kErrNoNetwork);
}

extern "C" int ZIPGetMyZone(char* zone) try {
    if (zone == nullptr) return kErrBadArgument;
    const auto stack = Stack::instance();
    if (!stack) return kErrNoNetwork;
    // A copy of what the node learnt at start and keeps fresh: no network round trip here.
    auto info = stack->run([&stack] { return stack->network().nodeInfo(); });
    // Asked as the process starts, before the node has its zone: wait a little for it rather
    // than fail a caller that asked too early. A started stack never waits.
    if (!info && stack->isOnline() && stack->awaitFirstStart())
        info = stack->run([&stack] { return stack->network().nodeInfo(); });
    if (!info && stack->isOnline()) {
        const int failure = stack->run([&stack] { return stack->network().startFailure(); });
        return failure != 0 ? failure : kErrNoRouter; // never started, or not yet
    }
    if (!info) return kErrNoNetwork;
    if (info->zone.empty()) return info->zoneUnreadable ? kErrBadReply : kErrNoRouter;
    storeName(zone, info->zone);
    return kOk;
} catch (...) {
    return ThrownResult::of("ZIPGetMyZone", kErrNoNetwork);
}
