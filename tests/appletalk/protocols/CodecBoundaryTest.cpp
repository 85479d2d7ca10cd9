// SPDX-License-Identifier: MIT
// The LLAP, DDP and LToUDP codecs at their limits: exact fits, one too many, one too few.
#include "support/WireBytes.h"

#include "appletalk/protocols/ddp/DdpCodec.h"
#include "appletalk/protocols/llap/LlapFrame.h"
#include "appletalk/protocols/ltoudp/LToUdpDatagram.h"

#include <gtest/gtest.h>

namespace appletalk {
namespace {

using testing::wireBytes;

std::vector<std::uint8_t> llapFrame(std::uint8_t type, std::size_t dataSize) {
    std::vector<std::uint8_t> bytes{0x14, 0xFE, type};
    bytes.resize(3 + dataSize, 0xAB);
    return bytes;
}

struct LlapRow {
    const char* what;
    std::vector<std::uint8_t> bytes;
    bool accepted;
};

TEST(LlapFrameTest, AcceptsOnlyWellFormedFrames) {
    const std::vector<LlapRow> rows{
        {"empty", {}, false},
        {"two bytes", wireBytes("14 fe"), false},
        {"type 0", wireBytes("14 fe 00"), false},
        {"reserved control type 0x80", wireBytes("14 fe 80"), false},
        {"reserved control type 0x83", wireBytes("14 fe 83"), false},
        {"reserved control type 0xff", wireBytes("14 fe ff"), false},
        {"ENQ", wireBytes("14 14 81"), true},
        {"ACK", wireBytes("14 14 82"), true},
        {"RTS", wireBytes("14 fe 84"), true},
        {"CTS", wireBytes("14 fe 85"), true},
        {"ENQ carrying data", wireBytes("14 14 81 00"), false},
        {"data frame with no data", llapFrame(0x01, 0), true},
        {"data frame of 600 bytes", llapFrame(0x02, 600), true},
        {"data frame of 601 bytes", llapFrame(0x02, 601), false},
        {"another client protocol", llapFrame(0x7F, 10), true},
    };
    for (const LlapRow& row : rows) {
        const auto frame = LlapFrame::parse(row.bytes);
        EXPECT_EQ(frame.has_value(), row.accepted) << row.what;
        if (frame) {
            EXPECT_EQ(frame->serialize(), row.bytes) << row.what;
        }
    }
}

TEST(LlapFrameTest, RefusesToSerializeWhatItWouldNotParse) {
    EXPECT_FALSE((LlapFrame{1, 2, LlapFrame::kEnq, {0}}.serialize()));
    EXPECT_FALSE((LlapFrame{1, 2, 0x00, {}}.serialize()));
    EXPECT_FALSE((LlapFrame{1, 2, LlapFrame::kShortDdp, std::vector<std::uint8_t>(601)}.serialize()));
}

std::vector<std::uint8_t> shortDatagram(std::size_t dataSize, int lengthAdjust = 0) {
    std::vector<std::uint8_t> bytes{0, 0, 0xC8, 0x02, 0x02};
    bytes.resize(5 + dataSize, 0x5A);
    const auto length = static_cast<std::uint16_t>(static_cast<int>(bytes.size()) + lengthAdjust);
    bytes[0] = static_cast<std::uint8_t>(length >> 8);
    bytes[1] = static_cast<std::uint8_t>(length);
    return bytes;
}

std::vector<std::uint8_t> longDatagram(std::size_t dataSize, int lengthAdjust = 0) {
    Datagram datagram{{1, 20, 200}, {2, 254, 6}, 3, 0, std::vector<std::uint8_t>(dataSize, 0x5A)};
    if (dataSize > Datagram::kMaxData) datagram.data.resize(Datagram::kMaxData);
    auto bytes = *DdpCodec::serializeLong(datagram, false);
    bytes.resize(13 + dataSize, 0x5A);
    const auto length = static_cast<std::uint16_t>(static_cast<int>(bytes.size()) + lengthAdjust);
    bytes[0] = static_cast<std::uint8_t>(length >> 8);
    bytes[1] = static_cast<std::uint8_t>(length);
    return bytes;
}

std::vector<std::uint8_t> truncated(std::vector<std::uint8_t> bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

struct DdpRow {
    const char* what;
    std::vector<std::uint8_t> bytes;
    DdpError error;
};

TEST(DdpCodecTest, ShortHeaderLengthMustMatchAndDataMustFit) {
    const std::vector<DdpRow> rows{
        {"four bytes", wireBytes("00 04 c8 02"), DdpError::TooShort},
        {"header only", shortDatagram(0), DdpError::None},
        {"586 bytes of data", shortDatagram(586), DdpError::None},
        {"587 bytes of data", shortDatagram(587), DdpError::DataTooLong},
        {"length one more than received", shortDatagram(10, +1), DdpError::LengthMismatch},
        {"length one less than received", shortDatagram(10, -1), DdpError::LengthMismatch},
        {"length 0", shortDatagram(10, -15), DdpError::LengthMismatch},
    };
    for (const DdpRow& row : rows) {
        const auto parsed = DdpCodec::parseShort(row.bytes, {});
        EXPECT_EQ(parsed.error, row.error) << row.what;
        EXPECT_EQ(parsed.datagram.has_value(), row.error == DdpError::None) << row.what;
    }
}

TEST(DdpCodecTest, ShortHeaderIgnoresTheBitsAboveTheLength) {
    auto bytes = shortDatagram(3);
    bytes[0] |= 0xFC;
    const auto parsed = DdpCodec::parseShort(bytes, {0, 20, 254});
    ASSERT_TRUE(parsed.datagram);
    EXPECT_EQ(parsed.datagram->data.size(), 3u);
}

TEST(DdpCodecTest, LongHeaderLengthMustMatchAndDataMustFit) {
    const std::vector<DdpRow> rows{
        {"twelve bytes", truncated(longDatagram(0), 12), DdpError::TooShort},
        {"header only", longDatagram(0), DdpError::None},
        {"586 bytes of data", longDatagram(586), DdpError::None},
        {"587 bytes of data", longDatagram(587), DdpError::DataTooLong},
        {"length one more than received", longDatagram(10, +1), DdpError::LengthMismatch},
        {"length one less than received", longDatagram(10, -1), DdpError::LengthMismatch},
    };
    for (const DdpRow& row : rows) {
        const auto parsed = DdpCodec::parseLong(row.bytes);
        EXPECT_EQ(parsed.error, row.error) << row.what;
        EXPECT_EQ(parsed.datagram.has_value(), row.error == DdpError::None) << row.what;
    }
}

TEST(DdpCodecTest, LongHeaderCarriesTheHopCountBesideTheLength) {
    Datagram datagram{{3, 4, 5}, {6, 7, 8}, 2, 15, {1, 2, 3}};
    const auto bytes = DdpCodec::serializeLong(datagram);
    ASSERT_TRUE(bytes);
    EXPECT_EQ((*bytes)[0], 0x3C);
    EXPECT_EQ((*bytes)[1], 16);
    EXPECT_EQ(DdpCodec::parseLong(*bytes).datagram, datagram);
}

TEST(DdpCodecTest, SerializersRefuseOversizeDataAndHopCounts) {
    Datagram datagram;
    datagram.data.resize(587);
    EXPECT_FALSE(DdpCodec::serializeShort(datagram));
    EXPECT_FALSE(DdpCodec::serializeLong(datagram));
    datagram.data.resize(586);
    EXPECT_TRUE(DdpCodec::serializeShort(datagram));
    datagram.hopCount = 16;
    EXPECT_FALSE(DdpCodec::serializeLong(datagram));
}

TEST(DdpCodecTest, AComputedChecksumOfZeroIsSentAsAllOnes) {
    const std::vector<std::uint8_t> zeros(9, 0);
    EXPECT_EQ(DdpCodec::checksum(zeros), 0xFFFF);
    const auto bytes = DdpCodec::serializeLong(Datagram{});
    ASSERT_TRUE(bytes);
    EXPECT_EQ((*bytes)[2], 0xFF);
    EXPECT_EQ((*bytes)[3], 0xFF);
    EXPECT_TRUE(DdpCodec::parseLong(*bytes).datagram);
}

TEST(DdpCodecTest, LongHeaderWithoutChecksumSendsZero) {
    const auto bytes = DdpCodec::serializeLong(Datagram{{1, 2, 3}, {4, 5, 6}, 2, 0, {9}}, false);
    ASSERT_TRUE(bytes);
    EXPECT_EQ((*bytes)[2], 0);
    EXPECT_EQ((*bytes)[3], 0);
}

TEST(LToUdpDatagramTest, AcceptsSevenTo607Bytes) {
    const std::vector<std::pair<std::size_t, bool>> rows{{0, false}, {6, false}, {7, true}, {607, true}, {608, false}};
    for (const auto& [size, accepted] : rows) {
        std::vector<std::uint8_t> bytes(size, 0x01);
        EXPECT_EQ(LToUdpDatagram::parse(bytes).has_value(), accepted) << size;
    }
}

TEST(LToUdpDatagramTest, SplitsTheBigEndianSenderIdFromTheFrame) {
    const auto bytes = wireBytes("12 34 56 78 fe fe 81");
    const auto datagram = LToUdpDatagram::parse(bytes);
    ASSERT_TRUE(datagram);
    EXPECT_EQ(datagram->senderId, 0x12345678u);
    EXPECT_EQ(datagram->frame, wireBytes("fe fe 81"));
    EXPECT_EQ(datagram->serialize(), bytes);
    EXPECT_FALSE((LToUdpDatagram{1, wireBytes("fe fe")}.serialize()));
}

} // namespace
} // namespace appletalk
