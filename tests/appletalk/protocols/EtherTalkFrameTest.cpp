// SPDX-License-Identifier: MIT
// EtherTalk frames and AARP packets: the captured datagrams framed as they travel, padding,
// and the frames a station must not take for its own.
#include "support/Captures.h"

#include "appletalk/protocols/aarp/AarpPacket.h"
#include "appletalk/protocols/ddp/DdpCodec.h"
#include "appletalk/protocols/ethertalk/EtherTalkFrame.h"

#include <gtest/gtest.h>

namespace appletalk {
namespace {

using testing::wireBytes;

std::vector<std::uint8_t> concat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
    using testing::operator+;
    return std::move(a) + b;
}

const MacAddress kRouter{{0x02, 0x00, 0x00, 0x00, 0x00, 0x01}};

// The header a frame of `length` (LLC + SNAP + payload) bytes has, from the router to everyone.
std::vector<std::uint8_t> header(std::uint16_t length, const char* snap) {
    return concat(wireBytes("09 00 07 ff ff ff 02 00 00 00 00 01"),
                  concat({static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)}, wireBytes(snap)));
}

TEST(EtherTalkFrame, CapturedDatagramsTravelPaddedAndComeBackWhole) {
    for (const auto& row : testing::kCapturedLongDatagrams) {
        const auto datagram = concat(wireBytes(row.header), wireBytes(row.data));
        const EtherTalkFrame frame{kAppleTalkBroadcast, kRouter, EtherProtocol::AppleTalk, datagram};
        const auto bytes = frame.serialize();
        ASSERT_TRUE(bytes) << row.what;
        const auto expected =
            concat(header(static_cast<std::uint16_t>(8 + datagram.size()), "aa aa 03 08 00 07 80 9b"), datagram);
        EXPECT_EQ(*bytes, expected) << row.what; // both are over 60 bytes: no padding
        const auto parsed = EtherTalkFrame::parse(*bytes);
        ASSERT_TRUE(parsed) << row.what;
        EXPECT_EQ(*parsed, frame);
        EXPECT_EQ(DdpCodec::parseLong(parsed->payload).error, DdpError::None) << row.what;
    }
}

TEST(EtherTalkFrame, ShortDatagramsArePaddedAndTheDdpLengthCutsThePaddingOff) {
    // An RTMP Request with a long header: 14 bytes of DDP, 36 in all before padding.
    const auto datagram = wireBytes("00 0e 00 00 00 00 ff 03 ff 2a 01 01 05 01");
    const EtherTalkFrame frame{kAppleTalkBroadcast, kRouter, EtherProtocol::AppleTalk, datagram};
    auto bytes = *frame.serialize();
    ASSERT_EQ(bytes.size(), 60u);
    EXPECT_EQ(bytes[12], 0x00);
    EXPECT_EQ(bytes[13], 22); // the 802.3 length counts LLC, SNAP and the datagram only
    EXPECT_EQ(EtherTalkFrame::parse(bytes)->payload, datagram);
    // A station that counts the padding in the 802.3 length: the DDP length still decides.
    bytes[13] = 46;
    EXPECT_EQ(EtherTalkFrame::parse(bytes)->payload, datagram);
}

TEST(EtherTalkFrame, OtherProtocolsAndBrokenLengthsAreRefused) {
    const auto ddp = wireBytes("00 0e 00 00 00 00 ff 03 ff 2a 01 01 05 01");
    struct Row {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    const Row rows[] = {
        {"Ethernet II (IPv4)", concat(wireBytes("09 00 07 ff ff ff 02 00 00 00 00 01 08 00"), ddp)},
        {"another SNAP protocol", concat(header(22, "aa aa 03 00 00 00 08 00"), ddp)},
        {"802.3 length past the frame", concat(header(200, "aa aa 03 08 00 07 80 9b"), ddp)},
        {"DDP length past the payload",
         concat(header(22, "aa aa 03 08 00 07 80 9b"), wireBytes("00 40 00 00 00 00 ff 03 ff 2a 01 01 05 01"))},
        {"shorter than the headers", wireBytes("09 00 07 ff ff ff 02 00")},
    };
    for (const auto& row : rows) EXPECT_FALSE(EtherTalkFrame::parse(row.bytes)) << row.what;
}

TEST(AarpPacket, ProbeHasTheLayoutOfTheWireAndRoundTrips) {
    const AarpPacket probe{AarpFunction::Probe, kRouter, {0xFF12, 0x34}, {}, {0xFF12, 0x34}};
    const auto bytes = probe.serialize();
    EXPECT_EQ(bytes, wireBytes("00 01 80 9b 06 04 00 03 02 00 00 00 00 01 00 ff 12 34 00 00 00 00 00 00 00 ff 12 34"));
    EXPECT_EQ(AarpPacket::parse(bytes), probe);
    // Inside a frame, the padding after the 28 bytes is no part of it.
    const EtherTalkFrame frame{kAppleTalkBroadcast, kRouter, EtherProtocol::Aarp, bytes};
    const auto framed = *frame.serialize();
    EXPECT_EQ(framed.size(), 60u);
    EXPECT_EQ(AarpPacket::parse(EtherTalkFrame::parse(framed)->payload), probe);
    auto wrong = bytes;
    wrong[3] = 0x00; // protocol 0x8000: not AppleTalk
    EXPECT_FALSE(AarpPacket::parse(wrong));
    wrong = bytes;
    wrong[7] = 4; // no such function
    EXPECT_FALSE(AarpPacket::parse(wrong));
    EXPECT_FALSE(AarpPacket::parse(std::span(bytes).first(27)));
}

} // namespace
} // namespace appletalk
