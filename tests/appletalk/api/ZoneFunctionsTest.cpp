// SPDX-License-Identifier: MIT
// The zone functions against the built-in simulated internet, on virtual time.
#include "support/VirtualStack.h"

#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"
#include "appletalk/runtime/ApiResults.h"
#include "tarvlib/TarvlibApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace appletalk::api {

using namespace appletalk::runtime;
namespace {

using testing::VirtualStack;

const std::vector<std::string> kBuiltinZones = {"Engineering", "Marketing",     "Z\x9Frich Office",
                                                "Finance",     "Design Studio", "Building 4"};

std::vector<std::string> readZones(ATEnumHandle handle) {
    uint16_t count = 0;
    EXPECT_EQ(ZIPZoneCount(handle, &count), kOk);
    std::vector<std::string> zones;
    for (uint16_t i = 0; i < count; ++i) {
        char zone[NBP_NAME_FIELD_SIZE];
        EXPECT_EQ(ZIPReadEnum(handle, i, zone), kOk);
        zones.emplace_back(zone);
    }
    return zones;
}

TEST(ZoneEnumeration, ListsEveryZoneOfTheBuiltInInternetAndThenTheNodesOwnZone) {
    VirtualStack net;
    ATEnumHandle handle = 0;
    ASSERT_EQ(ZIPOpenEnum(&handle, 0), kOk);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(ZIPEnumStatus(handle), kInProgress); // nothing has happened on the wire yet

    ASSERT_TRUE(net.runUntil([handle] { return ZIPEnumStatus(handle) != kInProgress; }));
    EXPECT_EQ(ZIPEnumStatus(handle), kOk);
    auto zones = readZones(handle);
    std::sort(zones.begin(), zones.end());
    auto expected = kBuiltinZones;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(zones, expected);

    char myZone[NBP_NAME_FIELD_SIZE] = {};
    EXPECT_EQ(ZIPGetMyZone(myZone), kOk);
    EXPECT_STREQ(myZone, "Engineering");
    EXPECT_EQ(ZIPCloseEnum(handle), kOk);
}

TEST(ZoneEnumeration, ReadingPastTheLastZoneFailsAndLeavesTheBufferAlone) {
    VirtualStack net;
    ATEnumHandle handle = 0;
    ASSERT_EQ(ZIPOpenEnum(&handle, 0), kOk);
    ASSERT_TRUE(net.runUntil([handle] { return ZIPEnumStatus(handle) != kInProgress; }));
    uint16_t count = 0;
    ASSERT_EQ(ZIPZoneCount(handle, &count), kOk);
    ASSERT_EQ(count, kBuiltinZones.size());

    char zone[NBP_NAME_FIELD_SIZE];
    for (uint16_t index : {count, static_cast<uint16_t>(count + 1), static_cast<uint16_t>(0xFFFF)}) {
        std::memset(zone, 'x', sizeof zone);
        EXPECT_EQ(ZIPReadEnum(handle, index, zone), kErrBadIndex) << index;
        EXPECT_TRUE(std::all_of(zone, zone + sizeof zone, [](char c) { return c == 'x'; })) << index;
    }
    EXPECT_EQ(ZIPReadEnum(handle, 0, nullptr), kErrBadArgument);
    EXPECT_EQ(ZIPZoneCount(handle, nullptr), kErrBadArgument);
    ZIPCloseEnum(handle);
}

TEST(ZoneEnumeration, AClosedHandleIsUnknownToEveryFunctionAndIsNotHandedOutAgainAtOnce) {
    VirtualStack net;
    ATEnumHandle first = 0;
    ASSERT_EQ(ZIPOpenEnum(&first, 0), kOk);
    ASSERT_EQ(ZIPCloseEnum(first), kOk);
    // Closing a running enumeration stops it: time passing must not touch it any more.
    net.advance(std::chrono::seconds(10));

    char zone[NBP_NAME_FIELD_SIZE] = "untouched";
    uint16_t count = 77;
    EXPECT_LT(ZIPEnumStatus(first), 0);
    EXPECT_EQ(ZIPZoneCount(first, &count), kErrBadHandle);
    EXPECT_EQ(count, 77);
    EXPECT_EQ(ZIPReadEnum(first, 0, zone), kErrBadHandle);
    EXPECT_STREQ(zone, "untouched");
    EXPECT_EQ(ZIPCloseEnum(first), kErrBadHandle);

    std::vector<ATEnumHandle> later;
    for (int i = 0; i < 50; ++i) {
        ATEnumHandle handle = 0;
        ASSERT_EQ(ZIPOpenEnum(&handle, 0), kOk);
        EXPECT_NE(handle, 0u);
        EXPECT_NE(handle, first);
        later.push_back(handle);
    }
    for (ATEnumHandle handle : later) EXPECT_EQ(ZIPCloseEnum(handle), kOk);
}

TEST(ZoneEnumeration, HandlesNeverSeenAreErrorsNotCrashes) {
    VirtualStack net;
    for (ATEnumHandle bogus : {0u, 1u, 0xDEADBEEFu, 0xFFFFFFFFu}) {
        uint16_t count = 0;
        char zone[NBP_NAME_FIELD_SIZE];
        EXPECT_EQ(ZIPEnumStatus(bogus), kErrBadHandle);
        EXPECT_EQ(ZIPZoneCount(bogus, &count), kErrBadHandle);
        EXPECT_EQ(ZIPReadEnum(bogus, 0, zone), kErrBadHandle);
        EXPECT_EQ(ZIPCloseEnum(bogus), kErrBadHandle);
    }
}

TEST(ZoneEnumeration, OpeningRefusesANullHandleOrAListItDoesNotKnow) {
    VirtualStack net;
    ATEnumHandle handle = 0;
    EXPECT_EQ(ZIPOpenEnum(nullptr, ZIP_ENUM_ALL_ZONES), kErrBadArgument);
    EXPECT_EQ(ZIPOpenEnum(nullptr, ZIP_ENUM_LOCAL_ZONES), kErrBadArgument);
    for (int which : {-1, 2, 256, 0x7FFFFFFF}) EXPECT_EQ(ZIPOpenEnum(&handle, which), kErrBadArgument) << which;
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(ZIPGetMyZone(nullptr), kErrBadArgument);
}

std::vector<std::string> listed(VirtualStack& net, int which) {
    ATEnumHandle handle = 0;
    EXPECT_EQ(ZIPOpenEnum(&handle, which), kOk);
    EXPECT_TRUE(net.runUntil([handle] { return ZIPEnumStatus(handle) != kInProgress; }));
    EXPECT_EQ(ZIPEnumStatus(handle), kOk);
    auto zones = readZones(handle);
    ZIPCloseEnum(handle);
    return zones;
}

TEST(LocalZones, OfALocalTalkCableAreTheNodesOwnZoneAlone) {
    static_assert(ZIP_ENUM_ALL_ZONES == 0, "0 has always listed the whole internet");
    VirtualStack net;
    EXPECT_EQ(listed(net, ZIP_ENUM_LOCAL_ZONES), std::vector<std::string>{"Engineering"});
    EXPECT_EQ(listed(net, ZIP_ENUM_ALL_ZONES).size(), kBuiltinZones.size());
}

TEST(LocalZones, OfAnExtendedCableAreEveryZoneItsRouterHasThereAndNoOther) {
    testing::ScopedEnvironment files;
    VirtualStack net(nullptr, 7, VirtualStack::scenarioFile(files, "extended.toml", testing::kExtendedCable));
    EXPECT_EQ(listed(net, ZIP_ENUM_LOCAL_ZONES), (std::vector<std::string>{"Finance", "Design Studio"}));
    auto all = listed(net, ZIP_ENUM_ALL_ZONES);
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, (std::vector<std::string>{"Design Studio", "Finance", "Marketing"}));
}

TEST(LocalZones, FailWithANegativeStatusWhenNoRouterAnswers) {
    ManualClock wireClock;
    MemoryWire emptyWire(wireClock);
    auto link = emptyWire.connect();
    VirtualStack net(link.get());
    ATEnumHandle handle = 0;
    ASSERT_EQ(ZIPOpenEnum(&handle, ZIP_ENUM_LOCAL_ZONES), kOk);
    ASSERT_TRUE(net.runUntil([handle] { return ZIPEnumStatus(handle) != kInProgress; }));
    EXPECT_EQ(ZIPEnumStatus(handle), kErrNoRouter);
    ZIPCloseEnum(handle);
}

TEST(ZoneEnumeration, FailsWithANegativeStatusWhenNoRouterAnswers) {
    ManualClock wireClock; // the wire's clock only times impairments, and there are none
    MemoryWire emptyWire(wireClock);
    auto link = emptyWire.connect();
    VirtualStack net(link.get());

    ATEnumHandle handle = 0;
    ASSERT_EQ(ZIPOpenEnum(&handle, 0), kOk);
    ASSERT_TRUE(net.runUntil([handle] { return ZIPEnumStatus(handle) != kInProgress; }));
    EXPECT_EQ(ZIPEnumStatus(handle), kErrNoRouter);
    uint16_t count = 9;
    EXPECT_EQ(ZIPZoneCount(handle, &count), kOk);
    EXPECT_EQ(count, 0);

    char zone[NBP_NAME_FIELD_SIZE] = "before";
    EXPECT_NE(ZIPGetMyZone(zone), kOk);
    EXPECT_STREQ(zone, "before");
    ZIPCloseEnum(handle);
}

TEST(MyZone, OnAStackWithoutAThreadIsNotKnownBeforeTheNodeHasStartedAndNeverWaitsForIt) {
    VirtualStack net;
    char zone[NBP_NAME_FIELD_SIZE] = "before";
    EXPECT_NE(ZIPGetMyZone(zone), kOk); // virtual time has not moved: nothing learnt yet
    EXPECT_STREQ(zone, "before");
    ASSERT_TRUE(net.start());
    EXPECT_EQ(ZIPGetMyZone(zone), kOk);
    EXPECT_STREQ(zone, "Engineering");
}

} // namespace
} // namespace appletalk::api
