// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "appletalk/protocols/atp/AtpPacket.h"
#include "support/Captures.h"

namespace appletalk::atp {
namespace {

using testing::Bytes;
using testing::hex;
using testing::operator+;

TEST(AtpPacket, CapturedZipRequestIsAnAtLeastOnceTReqForOnePacket) {
    const auto packet = AtpPacket::parse(testing::capture::getMyZoneRequest);
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->function, AtpFunction::Request);
    EXPECT_FALSE(packet->exactlyOnce);
    EXPECT_EQ(packet->bitmapOrSequence, 0x01);
    EXPECT_EQ(packet->tid, 0x2939);
    EXPECT_EQ(packet->userBytes, (UserBytes{7, 0, 0, 0}));
    EXPECT_TRUE(packet->data.empty());
}

TEST(AtpPacket, CapturedResponseIsSequenceZeroWithEndOfMessage) {
    const auto packet = AtpPacket::parse(testing::capture::getZoneListReply);
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->function, AtpFunction::Response);
    EXPECT_TRUE(packet->endOfMessage);
    EXPECT_EQ(packet->bitmapOrSequence, 0);
    EXPECT_EQ(packet->tid, 0x293A);
    EXPECT_EQ(packet->data.size(), 25u);
}

TEST(AtpPacket, ControlByteEncodesFunctionAndFlags) {
    struct Row {
        AtpPacket packet;
        std::uint8_t control;
    };
    AtpPacket sts = AtpPacket::response(1, 3, {}, false);
    sts.sendTransactionStatus = true;
    const std::vector<Row> rows = {
        {AtpPacket::request(1, 0x01, {}), 0x40},
        {AtpPacket::request(1, 0xFF, {}, true), 0x60},
        {AtpPacket::request(1, 0xFF, {}, true, ReleaseTimeout::Minutes8), 0x64},
        {AtpPacket::response(1, 0, {}, true), 0x90},
        {sts, 0x88},
        {AtpPacket::release(1), 0xC0},
    };
    for (const auto& row : rows) {
        const Bytes wire = row.packet.serialize();
        ASSERT_EQ(wire.size(), 8u);
        EXPECT_EQ(wire[0], row.control);
        EXPECT_EQ(AtpPacket::parse(wire), row.packet);
    }
}

TEST(AtpPacket, ReleaseTimeoutIndicatorMapsToDurations) {
    using std::chrono::seconds;
    const std::vector<std::pair<ReleaseTimeout, seconds>> rows = {
        {ReleaseTimeout::Seconds30, seconds(30)}, {ReleaseTimeout::Minute1, seconds(60)},
        {ReleaseTimeout::Minutes2, seconds(120)}, {ReleaseTimeout::Minutes4, seconds(240)},
        {ReleaseTimeout::Minutes8, seconds(480)},
    };
    for (const auto& [indicator, duration] : rows)
        EXPECT_EQ(AtpPacket::request(0, 1, {}, true, indicator).releaseTimeout(), duration);
    AtpPacket reserved = AtpPacket::request(0, 1, {}, true);
    reserved.timeoutIndicator = 5;
    EXPECT_FALSE(reserved.releaseTimeout());
}

TEST(AtpPacket, DataLimitIs578Bytes) {
    const Bytes header = hex("90 00 00 01 00 00 00 00");
    EXPECT_TRUE(AtpPacket::parse(header + Bytes(578, 0xAA)));
    EXPECT_FALSE(AtpPacket::parse(header + Bytes(579, 0xAA)));
    EXPECT_EQ(AtpPacket::response(1, 0, {{}, Bytes(578, 1)}, true).serialize().size(), 586u);
    EXPECT_TRUE(AtpPacket::response(1, 0, {{}, Bytes(579, 1)}, true).serialize().empty());
}

TEST(AtpPacket, MalformedPacketsAreRejected) {
    EXPECT_FALSE(AtpPacket::parse(hex("40 01 29 39 07 00 00"))) << "short header";
    EXPECT_FALSE(AtpPacket::parse(hex("00 01 29 39 07 00 00 00"))) << "function 00";
    EXPECT_FALSE(AtpPacket::parse(hex("90 08 29 39 00 00 00 00"))) << "sequence 8";
    EXPECT_TRUE(AtpPacket::response(1, 8, {}, true).serialize().empty());
}

} // namespace
} // namespace appletalk::atp
