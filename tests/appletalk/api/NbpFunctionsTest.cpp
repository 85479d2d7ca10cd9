// SPDX-License-Identifier: MIT
// NBP look-ups through the library functions against the built-in simulated internet, on
// virtual time.
#include "support/VirtualStack.h"

#include "appletalk/runtime/ApiResults.h"
#include "appletalk/sim/SimPrinter.h"
#include "tarvlib/TarvlibApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace appletalk::api {

using namespace appletalk::runtime;
namespace {

using testing::VirtualStack;
using namespace std::chrono_literals;

_NBPEntityName entity(const char* object, const char* type, const char* zone) {
    _NBPEntityName name;
    std::memset(&name, 0, sizeof name);
    NBPSetEntityName(&name, object, type, zone);
    return name;
}

struct LookupResult {
    int status = kInProgress;
    std::vector<_NBPTuple> tuples;

    std::vector<std::string> objects() const {
        std::vector<std::string> names;
        for (const auto& tuple : tuples) names.emplace_back(tuple.entity.object);
        std::sort(names.begin(), names.end());
        return names;
    }
};

LookupResult lookUp(VirtualStack& net, const _NBPEntityName& name, int maxTuples = 1024) {
    ATEnumHandle handle = 0;
    LookupResult result;
    EXPECT_EQ(NBPOpenEnum(&handle, 2, 2, maxTuples, &name), kOk);
    EXPECT_NE(handle, 0u);
    EXPECT_TRUE(net.runUntil([handle] { return NBPEnumStatus(handle) != kInProgress; }));
    result.status = NBPEnumStatus(handle);
    uint16_t count = 0;
    EXPECT_EQ(NBPFoundCount(handle, &count), kOk);
    for (uint16_t i = 0; i < count; ++i) {
        _NBPTuple tuple;
        EXPECT_EQ(NBPReadEnum(handle, i, &tuple), kOk);
        result.tuples.push_back(tuple);
    }
    EXPECT_EQ(NBPCloseEnum(handle), kOk);
    return result;
}

TEST(NbpLookup, FindsTheLaserWritersOfTheNodesOwnZoneWithTheirAddresses) {
    VirtualStack net;
    const auto found = lookUp(net, entity("=", "LaserWriter", "Engineering"));
    EXPECT_EQ(found.status, kOk);
    EXPECT_EQ(found.objects(), (std::vector<std::string>{"Laser 1", "Laser 2"}));
    for (const auto& tuple : found.tuples) {
        EXPECT_STREQ(tuple.entity.type, "LaserWriter");
        EXPECT_STREQ(tuple.entity.zone, "Engineering");
        const auto* printer = net.internet().printer(tuple.entity.object);
        ASSERT_NE(printer, nullptr);
        EXPECT_EQ(tuple.address.network, printer->entityAddress().network);
        EXPECT_EQ(tuple.address.nodeID, printer->entityAddress().node);
        EXPECT_EQ(tuple.address.socket, printer->entityAddress().socket);
    }
}

TEST(NbpLookup, ReachesZonesBehindTheRouter) {
    VirtualStack net;
    EXPECT_EQ(lookUp(net, entity("=", "LaserWriter", "Marketing")).objects(),
              (std::vector<std::string>{"Marketing LaserWriter"}));
    EXPECT_EQ(lookUp(net, entity("=", "LQ", "Z\x9Frich Office")).objects(), (std::vector<std::string>{"Z\x9Frich LQ"}));
}

TEST(NbpLookup, KeepsNoMoreTuplesThanItWasOpenedFor) {
    VirtualStack net;
    const auto all = lookUp(net, entity("=", "=", "Engineering"));
    ASSERT_GE(all.tuples.size(), 3u); // two LaserWriters, an ImageWriter, a file server
    const auto one = lookUp(net, entity("=", "=", "Engineering"), 1);
    EXPECT_EQ(one.status, kOk);
    EXPECT_EQ(one.tuples.size(), 1u);
    const auto two = lookUp(net, entity("=", "=", "Engineering"), 2);
    EXPECT_EQ(two.tuples.size(), 2u);
}

TEST(NbpLookup, MatchesWithoutRegardToCaseAndWithThePartialWildcard) {
    VirtualStack net;
    struct Row {
        const char* object;
        const char* type;
        const char* zone;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {"laser 1", "LASERWRITER", "engineering", {"Laser 1"}},
        {"Laser\xC5", "LaserWriter", "Engineering", {"Laser 1", "Laser 2"}},
        {"\xC5"
         "2",
         "laserwriter",
         "Engineering",
         {"Laser 2"}},
        {"=", "ImageWriter", "ENGINEERING", {"ImageWriter II"}},
        {"DRUCKER Z\x9FRICH", "LaserWriter", "z\x9Frich office", {"Drucker Z\x9Frich"}},
        {"Laser 3", "LaserWriter", "Engineering", {}},
    };
    for (const Row& row : rows) {
        const auto found = lookUp(net, entity(row.object, row.type, row.zone));
        EXPECT_EQ(found.status, kOk) << row.object;
        EXPECT_EQ(found.objects(), row.expected) << row.object << ":" << row.type << "@" << row.zone;
    }
}

TEST(NbpLookup, RepliesFromTheOwnZoneReadBackWithTheZoneAskedFor) {
    VirtualStack net;
    // Asked with "*", devices that do not know their zone answer "*": the caller gets ours.
    const auto mine = lookUp(net, entity("=", "LaserWriter", "*"));
    ASSERT_EQ(mine.objects(), (std::vector<std::string>{"Laser 1", "Laser 2"}));
    for (const auto& tuple : mine.tuples) EXPECT_STREQ(tuple.entity.zone, "Engineering");
    // Asked by another spelling of the zone, that spelling comes back.
    const auto named = lookUp(net, entity("=", "LaserWriter", "engineering"));
    ASSERT_EQ(named.tuples.size(), 2u);
    for (const auto& tuple : named.tuples) EXPECT_STREQ(tuple.entity.zone, "engineering");
}

TEST(NbpLookup, CountsItsIntervalInUnitsOfEightTicksAndEndsAtOnceWhenFull) {
    VirtualStack net;
    ASSERT_TRUE(net.start());
    const auto nobody = entity("Nobody", "LaserWriter", "Engineering");
    ATEnumHandle handle = 0;
    ASSERT_EQ(NBPOpenEnum(&handle, 2, 2, 1024, &nobody), kOk);
    // Two sends 16/60 s apart, then one more interval for late replies: 533 ms.
    net.advance(520ms);
    EXPECT_EQ(NBPEnumStatus(handle), kInProgress);
    net.advance(20ms);
    EXPECT_EQ(NBPEnumStatus(handle), kOk);
    NBPCloseEnum(handle);
    // A look-up that has found all it may keep does not wait out its interval.
    const auto anyone = entity("=", "=", "Engineering");
    ASSERT_EQ(NBPOpenEnum(&handle, 255, 64, 1, &anyone), kOk);
    net.advance(100ms);
    EXPECT_EQ(NBPEnumStatus(handle), kOk);
    NBPCloseEnum(handle);
}

TEST(NbpLookup, OpeningRefusesBadParametersWithoutHandingOutAHandle) {
    VirtualStack net;
    const auto good = entity("=", "LaserWriter", "*");
    auto tooLongObject = good;
    tooLongObject.object[0] = '\0'; // an empty object is no pattern
    auto twoWildcards = entity(
        "\xC5"
        "a"
        "\xC5",
        "LaserWriter", "*");
    struct Row {
        int interval, count, maxTuples;
        const _NBPEntityName* name;
    };
    const Row rows[] = {{0, 2, 1024, &good},   {2, 0, 1024, &good},          {2, 2, 0, &good},
                        {-1, 2, 1024, &good},  {256, 2, 1024, &good},        {2, 2, 70000, &good},
                        {2, 2, 1024, nullptr}, {2, 2, 1024, &tooLongObject}, {2, 2, 1024, &twoWildcards}};
    for (const Row& row : rows) {
        ATEnumHandle handle = 0;
        EXPECT_EQ(NBPOpenEnum(&handle, row.interval, row.count, row.maxTuples, row.name), kErrBadArgument)
            << row.interval << " " << row.count << " " << row.maxTuples;
        EXPECT_EQ(handle, 0u);
    }
    EXPECT_EQ(NBPOpenEnum(nullptr, 2, 2, 1024, &good), kErrBadArgument);
}

TEST(NbpLookup, UnknownAndClosedHandlesAreErrors) {
    VirtualStack net;
    const auto name = entity("=", "LaserWriter", "*");
    ATEnumHandle handle = 0;
    ASSERT_EQ(NBPOpenEnum(&handle, 1, 1, 10, &name), kOk);
    ASSERT_EQ(NBPCloseEnum(handle), kOk);
    net.advance(5s);
    for (ATEnumHandle bad : {handle, 0u, 0x12345678u}) {
        uint16_t count = 5;
        _NBPTuple tuple;
        std::memset(&tuple, 0x5A, sizeof tuple);
        EXPECT_EQ(NBPEnumStatus(bad), kErrBadHandle);
        EXPECT_EQ(NBPFoundCount(bad, &count), kErrBadHandle);
        EXPECT_EQ(count, 5);
        EXPECT_EQ(NBPReadEnum(bad, 0, &tuple), kErrBadHandle);
        EXPECT_EQ(static_cast<unsigned char>(tuple.entity.object[0]), 0x5A);
        EXPECT_EQ(NBPCloseEnum(bad), kErrBadHandle);
    }
}

// A campus: the client on a LocalTalk network, a zone of a thousand printers on every number
// of an extended network behind the router. The Chooser's own look-up (2, 2, 1024), opened as
// soon as the stack has started, finds every one, in ten runs with ten client ids.
TEST(NbpLookup, FindsEveryDeviceOfAThousandDeviceZone) {
    std::string campus =
        "client_network = 1\n[[network]]\nnumber = 1\nzone = \"Home\"\n"
        "[[network]]\nrange = [100, 120]\nzones = [\"Campus\"]\n";
    for (int i = 1; i <= 1000; ++i)
        campus += "[[printer]]\nname = \"Laser " + std::to_string(i) + "\"\nzone = \"Campus\"\n";
    testing::ScopedEnvironment files;
    const std::string network = VirtualStack::scenarioFile(files, "campus.toml", campus);
    for (std::uint64_t run = 1; run <= 10; ++run) {
        SCOPED_TRACE(run);
        VirtualStack net(nullptr, run, network);
        ASSERT_TRUE(net.start());
        const auto found = lookUp(net, entity("=", "LaserWriter", "Campus"));
        EXPECT_EQ(found.status, kOk);
        ASSERT_EQ(found.tuples.size(), 1000u);
        std::set<std::string> names;
        std::set<std::pair<int, int>> addresses;
        for (const auto& tuple : found.tuples) {
            names.insert(tuple.entity.object);
            addresses.insert({tuple.address.network, tuple.address.nodeID});
        }
        EXPECT_EQ(names.size(), 1000u);
        EXPECT_EQ(addresses.size(), 1000u);
    }
}

TEST(NbpLookup, ZoneAndNbpHandlesAreNotInterchangeable) {
    VirtualStack net;
    const auto name = entity("=", "LaserWriter", "*");
    ATEnumHandle lookup = 0, zones = 0;
    ASSERT_EQ(NBPOpenEnum(&lookup, 1, 1, 10, &name), kOk);
    ASSERT_EQ(ZIPOpenEnum(&zones, 0), kOk);
    EXPECT_EQ(ZIPCloseEnum(lookup), kErrBadHandle);
    EXPECT_EQ(NBPCloseEnum(zones), kErrBadHandle);
    EXPECT_EQ(NBPCloseEnum(lookup), kOk);
    EXPECT_EQ(ZIPCloseEnum(zones), kOk);
}

} // namespace
} // namespace appletalk::api
