// SPDX-License-Identifier: MIT
// The NBP look-up functions: NBPOpenEnum ... NBPCloseEnum.
//
// NBPOpenEnum(handle, interval, transmissions, maxTuples, name): the request is sent
// `transmissions` times, `interval` units of 8 ticks (8/60 s) apart, and the look-up completes
// one interval after the last send, or as soon as `maxTuples` distinct entities have answered.
// The Chooser's 2, 2, 1024 thus sends at 0 and 267 ms, completes at 533 ms, and keeps up to
// 1024 devices (see TarvlibApi.h for why the interval counts in ticks).
#include "appletalk/api/OpenEnumerations.h"
#include "appletalk/api/ThrownResult.h"
#include "appletalk/protocols/nbp/NbpName.h"
#include "appletalk/runtime/ApiResults.h"
#include "appletalk/runtime/Stack.h"
#include "tarvlib/NameFields.h"
#include "tarvlib/TarvlibApi.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ratio>

using namespace appletalk;
using namespace appletalk::api;
using namespace appletalk::runtime;

namespace {

// One unit of the look-up interval: 8 ticks of 1/60 s.
using IntervalUnits = std::chrono::duration<std::int64_t, std::ratio<8, 60>>;
constexpr int kMaxInterval = 255; // a byte, as the workstation API has it: 34 s
constexpr int kMaxSends = 64;
constexpr int kMaxTuples = 0xFFFF; // counts are 16-bit

struct LookupRequest {
    nbp::NbpName pattern;
    LookupParameters parameters;
};

std::optional<LookupRequest> readRequest(int interval, int count, int maxTuples, const _NBPEntityName& name) {
    if (interval < 1 || interval > kMaxInterval || count < 1 || count > kMaxSends || maxTuples < 1 ||
        maxTuples > kMaxTuples)
        return std::nullopt;
    LookupRequest request;
    request.pattern.object = std::string(fieldText(name.object));
    request.pattern.type = std::string(fieldText(name.type));
    request.pattern.zone = std::string(fieldText(name.zone));
    if (request.pattern.zone.empty()) request.pattern.zone = "*";
    if (!request.pattern.isValidPattern()) return std::nullopt;
    request.parameters.retryInterval = std::chrono::duration_cast<Duration>(IntervalUnits(interval));
    request.parameters.retries = count - 1;
    request.parameters.maxTuples = static_cast<std::size_t>(maxTuples);
    return request;
}

// A reply may name the zone "*" (the responder does not know its zone): it is in the zone
// that was asked for, or in ours when "*" was asked.
_NBPTuple toRecord(const nbp::NbpTuple& tuple, const std::string& askedZone, const std::string& myZone) {
    _NBPTuple record;
    std::memset(&record, 0, sizeof record);
    storeField(record.entity.object, tuple.name.object);
    storeField(record.entity.type, tuple.name.type);
    std::string zone = tuple.name.zone;
    if (zone.empty() || zone == "*") zone = askedZone == "*" && !myZone.empty() ? myZone : askedZone;
    storeField(record.entity.zone, zone);
    record.address.network = tuple.network;
    record.address.nodeID = tuple.node;
    record.address.socket = tuple.socket;
    record.enumerator = tuple.enumerator;
    return record;
}

void startLookup(Stack& stack, const std::shared_ptr<LookupEnumeration>& enumeration, const LookupRequest& request) {
    NetworkOperations& network = stack.network();
    const bool online = stack.isOnline();
    const std::string askedZone = request.pattern.zone;
    auto operation = std::make_shared<OperationId>(0);
    *operation = network.lookup(
        request.pattern, request.parameters,
        [enumeration, askedZone, operation, &network](const nbp::NbpTuple& tuple) {
            // Our zone as known when the reply comes: a look-up may open before it is learnt.
            const auto info = network.nodeInfo();
            enumeration->add(toRecord(tuple, askedZone, info ? info->zone : std::string()));
            if (enumeration->isFull()) {
                // Full: the look-up has all it may keep, so it ends now.
                enumeration->finish(kOk);
                network.cancel(*operation);
            }
        },
        [enumeration, online](int status) { enumeration->finish(online ? status : kErrNoNetwork); });
    enumeration->cancelWork = [&network, operation] { network.cancel(*operation); };
}

} // namespace

extern "C" int NBPOpenEnum(ATEnumHandle* handle, int interval, int transmissions, int maxTuples,
                           const _NBPEntityName* name) try {
    if (handle == nullptr || name == nullptr) return kErrBadArgument;
    const auto request = readRequest(interval, transmissions, maxTuples, *name);
    if (!request) return kErrBadArgument;
    const auto stack = Stack::instance();
    if (!stack) return kErrNoNetwork;
    auto enumeration = std::make_shared<LookupEnumeration>(request->parameters.maxTuples);
    const ATEnumHandle opened = stack->lookupEnumerations().add(enumeration);
    if (opened == 0) return kErrTooMany;
    stack->run([&stack, &enumeration, &request] { startLookup(*stack, enumeration, *request); });
    *handle = opened;
    return kOk;
} catch (...) {
    return ThrownResult::of("NBPOpenEnum", kErrNoNetwork);
}

extern "C" int NBPEnumStatus(ATEnumHandle handle) try {
    return enumerationStatus(&Stack::lookupEnumerations, handle);
} catch (...) {
    return ThrownResult::of("NBPEnumStatus", kErrNoNetwork);
}

extern "C" int NBPFoundCount(ATEnumHandle handle, uint16_t* count) try {
    if (count == nullptr) return kErrBadArgument;
    const auto enumeration = openEnumeration(&Stack::lookupEnumerations, handle);
    if (!enumeration) return kErrBadHandle;
    *count = static_cast<std::uint16_t>(std::min<std::size_t>(enumeration->count(), kMaxTuples));
    return kOk;
} catch (...) {
    return ThrownResult::of("NBPFoundCount", kErrNoNetwork);
}

extern "C" int NBPReadEnum(ATEnumHandle handle, uint16_t index, _NBPTuple* tuple) try {
    if (tuple == nullptr) return kErrBadArgument;
    const auto enumeration = openEnumeration(&Stack::lookupEnumerations, handle);
    if (!enumeration) return kErrBadHandle;
    _NBPTuple found;
    if (!enumeration->read(index, found)) return kErrBadIndex;
    std::memcpy(tuple, &found, sizeof found);
    return kOk;
} catch (...) {
    return ThrownResult::of("NBPReadEnum", kErrNoNetwork);
}

extern "C" int NBPCloseEnum(ATEnumHandle handle) try {
    return closeEnumeration(&Stack::lookupEnumerations, handle);
} catch (...) {
    return ThrownResult::of("NBPCloseEnum", kErrNoNetwork);
}
