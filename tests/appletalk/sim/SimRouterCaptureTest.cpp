// SPDX-License-Identifier: MIT
// The router answers exactly as the captured router did, for the captured setup: a LocalTalk
// port on net 1 (zone "LToUDP Zone") and a second network 2 ("Virtual Zone"), node 254.
#include "SimTestbed.h"

#include "appletalk/sim/SimRouter.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace appletalk::sim {
namespace {

using testing::wireBytes;

struct SimRouterCaptureTest : ::testing::Test {
    testing::SimTestbed bed;
    MemoryWire& ltoudp = bed.addWire();
    MemoryWire& virtualNet = bed.addWire();
    testing::RawStation& client = bed.addRaw(ltoudp);
    SimRouter router{bed.clock, 254, 7};

    void SetUp() override {
        router.addPort(ltoudp.connect(), RouterPortConfig::localTalk(1, "LToUDP Zone"));
        router.addPort(virtualNet.connect(), RouterPortConfig::localTalk(2, "Virtual Zone"));
        bed.driver.add(router);
        router.start();
        ASSERT_TRUE(bed.driver.advanceUntil([this] { return router.isReady(); }, 10s));
        client.take();
    }
    void TearDown() override { bed.driver.remove(router); }

    std::vector<std::uint8_t> exchange(const std::string& request) {
        client.send(wireBytes(request));
        bed.driver.runUntilIdle();
        const auto frames = client.take();
        return frames.empty() ? std::vector<std::uint8_t>{} : frames.back();
    }
};

TEST_F(SimRouterCaptureTest, RtmpDataIsBroadcastEveryTenSecondsAsCaptured) {
    const auto expected = wireBytes("ff fe 01 | 00 0f 01 01 01 | 00 01 08 fe 00 00 82 00 02 00");
    bed.driver.advance(10s);
    auto frames = client.take();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], expected);
    bed.driver.advance(10s);
    frames = client.take();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], expected);
}

struct CapturedExchange {
    const char* what;
    const char* request;
    const char* reply;
};

TEST_F(SimRouterCaptureTest, EveryCapturedRequestGetsTheCapturedReplyByteForByte) {
    const CapturedExchange exchanges[] = {
        {"RTMP Request", "ff 14 01 | 00 06 01 c8 05 | 01", "14 fe 01 | 00 09 c8 01 01 | 00 01 08 fe"},
        {"GetNetInfo", "ff 14 01 | 00 0c 06 c8 06 | 05 00 00 00 00 00 00",
         "14 fe 01 | 00 19 c8 06 06 | 06 e0 00 01 00 01 00 00 0b 'LToUDP Zone'"},
        {"GetMyZone", "fe 14 01 | 00 0d 06 c8 03 | 40 01 29 39 07 00 00 00",
         "14 fe 01 | 00 19 c8 06 03 | 90 00 29 39 00 00 00 01 0b 'LToUDP Zone'"},
        {"GetZoneList", "fe 14 01 | 00 0d 06 c8 03 | 40 01 29 3a 08 00 00 01",
         "14 fe 01 | 00 26 c8 06 03 | 90 00 29 3a 01 00 00 02 0b 'LToUDP Zone' 0c 'Virtual Zone'"},
        {"NBP BrRq becomes a LkUp", "fe 14 01 | 00 1c 02 c8 02 | 11 df 00 01 14 c8 00 01 3d 0b 'LaserWriter' 01 2a",
         "ff fe 01 | 00 1c 02 02 02 | 21 df 00 01 14 c8 00 01 3d 0b 'LaserWriter' 01 2a"},
    };
    for (const auto& exchange : exchanges) {
        SCOPED_TRACE(exchange.what);
        EXPECT_EQ(this->exchange(exchange.request), wireBytes(exchange.reply));
    }
}

TEST_F(SimRouterCaptureTest, GetNetInfoForTheCablesOwnZoneLeavesTheDefaultZoneOut) {
    EXPECT_EQ(exchange("ff 14 01 | 00 17 06 c8 06 | 05 00 00 00 00 00 0b 'LToUDP Zone'"),
              wireBytes("14 fe 01 | 00 18 c8 06 06 | 06 60 00 01 00 01 0b 'LToUDP Zone' 00"));
}

TEST_F(SimRouterCaptureTest, MalformedRequestsAreDroppedWithoutAReply) {
    const char* requests[] = {
        "ff 14 01 | 00 06 01 c8 05 | 07", // RTMP function 7
        "fe 14 01 | 00 0d 06 c8 03 | 40 01 29 39 0a 00 00 00", // ZIP-over-ATP function 10
        "fe 14 01 | 00 0d 06 c8 03 | 80 00 29 39 07 00 00 00", // a TResp, not a request
        "fe 14 01 | 00 08 06 c8 03 | 40 01 29", // ATP header cut short
        "fe 14 01 | 00 0a 02 c8 02 | 11 df 00 01 14", // NBP tuple cut short
    };
    for (const char* request : requests) {
        SCOPED_TRACE(request);
        EXPECT_TRUE(exchange(request).empty());
    }
}

} // namespace
} // namespace appletalk::sim
