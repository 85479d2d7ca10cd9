// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "appletalk/protocols/nbp/NbpPacket.h"
#include "support/Captures.h"

namespace appletalk::nbp {
namespace {

using testing::Bytes;
using testing::hex;
using testing::operator+;
using testing::pstr;

const std::string k32(32, 'N');
const std::string k33(33, 'N');

NbpTuple entity(std::uint8_t enumerator, const std::string& object) {
    return NbpTuple{1, 0x82, 0x82, enumerator, {object, "LaserWriter", "*"}};
}

TEST(NbpPacket, CapturedBroadcastRequestCarriesTheRequesterAddressAndPattern) {
    const auto packet = NbpPacket::parse(testing::capture::nbpBroadcastRequest);
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->function, NbpFunction::BroadcastRequest);
    EXPECT_EQ(packet->id, 0xDF);
    ASSERT_EQ(packet->tuples.size(), 1u);
    EXPECT_EQ(packet->tuples[0], (NbpTuple{1, 0x14, 0xC8, 0, {"=", "LaserWriter", "*"}}));
    EXPECT_EQ(NbpPacket::parse(testing::capture::nbpLookup)->function, NbpFunction::Lookup);
}

TEST(NbpPacket, CapturedLookupReplyCarriesThePrinterEntity) {
    const auto packet = NbpPacket::parse(testing::capture::nbpLookupReply);
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->function, NbpFunction::LookupReply);
    ASSERT_EQ(packet->tuples.size(), 1u);
    EXPECT_EQ(packet->tuples[0], (NbpTuple{1, 0x82, 0x82, 1, {"Probe Printer", "LaserWriter", "*"}}));
}

TEST(NbpPacket, MalformedPacketsAreRejected) {
    const Bytes tuple = hex("00 01 14 c8 00") + pstr("=") + pstr("LaserWriter") + pstr("*");
    const std::vector<std::pair<const char*, Bytes>> rows = {
        {"count says 2, one tuple", hex("32 df") + tuple},
        {"count says 1, two tuples", hex("31 df") + tuple + tuple},
        {"request with two tuples", hex("22 df") + tuple + tuple},
        {"reply with no tuple", hex("30 df")},
        {"function 0", hex("01 df") + tuple},
        {"function 5", hex("51 df") + tuple},
        {"type pstr running past the end",
         hex("21 df 00 01 14 c8 00") + pstr("=") + hex("0b") + testing::text("Laser")},
        {"33-byte object", hex("21 df 00 01 14 c8 00") + pstr(k33) + pstr("LaserWriter") + pstr("*")},
        {"33-byte zone", hex("21 df 00 01 14 c8 00") + pstr("=") + pstr("LaserWriter") + pstr(k33)},
    };
    for (const auto& [what, bytes] : rows) EXPECT_FALSE(NbpPacket::parse(bytes)) << what;
}

TEST(NbpPacket, ReplyWithFifteenTuplesParsesAndSixteenCannotBeEncoded) {
    std::vector<NbpTuple> tuples;
    for (std::uint8_t i = 0; i < 16; ++i) tuples.push_back(entity(i, "P" + std::to_string(i)));
    const NbpPacket fifteen{NbpFunction::LookupReply, 7, {tuples.begin(), tuples.begin() + 15}};
    const Bytes wire = fifteen.serialize();
    ASSERT_FALSE(wire.empty());
    EXPECT_EQ(wire[0], 0x3F);
    EXPECT_EQ(NbpPacket::parse(wire), fifteen);
    EXPECT_TRUE((NbpPacket{NbpFunction::LookupReply, 7, tuples}).serialize().empty());
}

TEST(NbpPacket, NamesOver32BytesAreRefusedOnBuild) {
    EXPECT_FALSE(NbpPacket::request(NbpFunction::Lookup, 1, entity(0, k32)).serialize().empty());
    EXPECT_TRUE(NbpPacket::request(NbpFunction::Lookup, 1, entity(0, k33)).serialize().empty());
}

TEST(NbpPacket, LookupRepliesSplitAtFifteenTuples) {
    std::vector<NbpTuple> tuples;
    for (std::uint8_t i = 0; i < 31; ++i) tuples.push_back(entity(i, "P"));
    const auto packets = NbpPacket::lookupReplies(0x42, tuples);
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(packets[0].tuples.size(), 15u);
    EXPECT_EQ(packets[1].tuples.size(), 15u);
    EXPECT_EQ(packets[2].tuples.size(), 1u);
    EXPECT_EQ(packets[2].tuples[0].enumerator, 30);
    for (const auto& packet : packets) {
        EXPECT_EQ(packet.id, 0x42);
        EXPECT_FALSE(packet.serialize().empty());
    }
}

TEST(NbpPacket, LookupRepliesSplitAt586BytesWithLongNames) {
    std::vector<NbpTuple> tuples;
    for (std::uint8_t i = 0; i < 12; ++i)
        tuples.push_back(NbpTuple{1, 2, 3, i, {k32, std::string(32, 'T'), std::string(32, 'Z')}}); // 104 bytes
    const auto packets = NbpPacket::lookupReplies(1, tuples);
    ASSERT_EQ(packets.size(), 3u); // 5 * 104 + 2 = 522; a sixth would make 626
    std::size_t total = 0;
    for (const auto& packet : packets) {
        const auto wire = packet.serialize();
        ASSERT_FALSE(wire.empty());
        EXPECT_LE(wire.size(), 586u);
        total += packet.tuples.size();
    }
    EXPECT_EQ(total, tuples.size());
    EXPECT_TRUE(NbpPacket::lookupReplies(1, {}).empty());
    const std::vector<NbpTuple> invalid{entity(0, k33)};
    EXPECT_TRUE(NbpPacket::lookupReplies(1, invalid).empty());
}

} // namespace
} // namespace appletalk::nbp
