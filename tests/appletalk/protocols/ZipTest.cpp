// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "appletalk/protocols/zip/ZipAtpRequest.h"
#include "appletalk/protocols/zip/ZipExtendedReply.h"
#include "appletalk/protocols/zip/ZipGetNetInfoReply.h"
#include "appletalk/protocols/zip/ZipGetNetInfoRequest.h"
#include "appletalk/protocols/zip/ZipNotify.h"
#include "appletalk/protocols/zip/ZipQuery.h"
#include "appletalk/protocols/zip/ZipReply.h"
#include "appletalk/protocols/zip/ZipZoneListReply.h"
#include "appletalk/protocols/zip/ZoneMulticast.h"
#include "support/Captures.h"

namespace appletalk::zip {
namespace {

using testing::Bytes;
using testing::hex;
using testing::operator+;
using testing::pstr;

const std::string k33(33, 'Z');

TEST(ZipQuery, CountedNetworksRoundTripAndCountMismatchIsRejected) {
    const ZipQuery query{{1, 0x0203}};
    EXPECT_EQ(query.serialize(), hex("01 02 00 01 02 03"));
    EXPECT_EQ(ZipQuery::parse(hex("01 02 00 01 02 03")), query);
    EXPECT_FALSE(ZipQuery::parse(hex("01 03 00 01 02 03")));
    EXPECT_FALSE(ZipQuery::parse(hex("01 01 00 01 02 03")));
    EXPECT_FALSE(ZipQuery::parse(hex("02 01 00 01")));
    EXPECT_TRUE((ZipQuery{std::vector<std::uint16_t>(256, 1)}).serialize().empty());
}

TEST(ZipReply, CountIsTheNumberOfNetworksNotOfZones) {
    const ZipReply reply{{{1, "A"}, {1, "B"}, {2, "C"}}};
    const Bytes wire = hex("02 02 00 01") + pstr("A") + hex("00 01") + pstr("B") + hex("00 02") + pstr("C");
    EXPECT_EQ(reply.serialize(), wire);
    EXPECT_EQ(ZipReply::parse(wire), reply);
}

TEST(ZipReply, InconsistentRepliesAreRejected) {
    const std::vector<std::pair<const char*, Bytes>> rows = {
        {"count too high", hex("02 02 00 01") + pstr("A")},
        {"count too low", hex("02 01 00 01") + pstr("A") + hex("00 02") + pstr("B")},
        {"network split by another",
         hex("02 03 00 01") + pstr("A") + hex("00 02") + pstr("B") + hex("00 01") + pstr("C")},
        {"zone running past the end", hex("02 01 00 01 05 41 42")},
        {"33-byte zone", hex("02 01 00 01") + pstr(k33)},
    };
    for (const auto& [what, bytes] : rows) EXPECT_FALSE(ZipReply::parse(bytes)) << what;
    EXPECT_TRUE((ZipReply{{{1, "A"}, {2, "B"}, {1, "C"}}}).serialize().empty());
    EXPECT_TRUE((ZipReply{{{1, k33}}}).serialize().empty());
}

TEST(ZipExtendedReply, CountIsTheTotalAcrossPacketsAndOneNetworkOnly) {
    const Bytes wire = hex("08 05 00 03") + pstr("EtherTalk A") + hex("00 03") + pstr("EtherTalk B");
    const auto reply = ZipExtendedReply::parse(wire);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->network, 3);
    EXPECT_EQ(reply->totalZones, 5);
    EXPECT_EQ(reply->zones, (std::vector<std::string>{"EtherTalk A", "EtherTalk B"}));
    EXPECT_EQ(reply->serialize(), wire);

    EXPECT_FALSE(ZipExtendedReply::parse(hex("08 02 00 03") + pstr("A") + hex("00 04") + pstr("B")));
    EXPECT_FALSE(ZipExtendedReply::parse(hex("08 01 00 03") + pstr("A") + hex("00 03") + pstr("B")));
    EXPECT_FALSE(ZipExtendedReply::parse(hex("08 01")));
}

TEST(ZipExtendedReply, PackSplitsALongZoneListWithoutSplittingANameOrExceeding586Bytes) {
    std::vector<std::string> zones;
    for (int i = 0; i < 40; ++i) zones.push_back(std::string(30, static_cast<char>('A' + i % 26)));
    const auto packets = ZipExtendedReply::pack(9, zones);
    ASSERT_EQ(packets.size(), 3u); // 33 bytes per entry, 17 fit after the 2-byte header
    std::vector<std::string> collected;
    for (const auto& packet : packets) {
        const auto wire = packet.serialize();
        ASSERT_FALSE(wire.empty());
        EXPECT_LE(wire.size(), 586u);
        EXPECT_EQ(packet.totalZones, 40);
        collected.insert(collected.end(), packet.zones.begin(), packet.zones.end());
    }
    EXPECT_EQ(collected, zones);
    EXPECT_TRUE(ZipExtendedReply::pack(9, {}).empty());
    EXPECT_TRUE(ZipExtendedReply::pack(9, {k33}).empty());
}

TEST(ZipGetNetInfoRequest, ZoneSitsAfterFiveZeroBytes) {
    EXPECT_EQ(ZipGetNetInfoRequest::parse(testing::capture::getNetInfoRequest)->zone, "");
    const ZipGetNetInfoRequest request{"EtherTalk B"};
    EXPECT_EQ(request.serialize(), hex("05 00 00 00 00 00") + pstr("EtherTalk B"));
    EXPECT_FALSE(ZipGetNetInfoRequest::parse(hex("05 00 00 00 00 00") + pstr(k33)));
    EXPECT_TRUE(ZipGetNetInfoRequest{k33}.serialize().empty());
}

TEST(ZipGetNetInfoReply, LocalTalkCaptureHasEmptyMulticastAndTheDefaultZone) {
    const auto reply = ZipGetNetInfoReply::parse(testing::capture::getNetInfoReply);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->flags, 0xE0);
    EXPECT_EQ(reply->rangeStart, 1);
    EXPECT_EQ(reply->rangeEnd, 1);
    EXPECT_EQ(reply->zone, "");
    EXPECT_TRUE(reply->multicastAddress.empty());
    EXPECT_EQ(reply->defaultZone, "LToUDP Zone");
}

TEST(ZipGetNetInfoReply, EtherTalkCaptureCarriesTheZoneMulticastAddress) {
    const auto reply = ZipGetNetInfoReply::parse(testing::capture::etherGetNetInfoReply);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->rangeStart, 3);
    EXPECT_EQ(reply->rangeEnd, 5);
    EXPECT_EQ(reply->multicastAddress, hex("09 00 07 00 00 15"));
    EXPECT_EQ(reply->defaultZone, "EtherTalk A");
}

TEST(ZipGetNetInfoReply, DefaultZoneIsOnTheWireOnlyWithTheZoneInvalidFlag) {
    const Bytes valid = hex("06 20 00 03 00 05") + pstr("EtherTalk B") + hex("06 09 00 07 00 00 17");
    const auto reply = ZipGetNetInfoReply::parse(valid);
    ASSERT_TRUE(reply);
    EXPECT_FALSE(reply->defaultZone);
    EXPECT_EQ(reply->serialize(), valid);
    EXPECT_FALSE(ZipGetNetInfoReply::parse(valid + pstr("EtherTalk A"))) << "default zone without 0x80";

    ZipGetNetInfoReply withDefault = *reply;
    withDefault.defaultZone = "EtherTalk A";
    EXPECT_EQ(withDefault.serialize(),
              hex("06 a0 00 03 00 05") + pstr("EtherTalk B") + hex("06 09 00 07 00 00 17") + pstr("EtherTalk A"));
}

TEST(ZipGetNetInfoReply, MalformedRepliesAreRejected) {
    EXPECT_FALSE(ZipGetNetInfoReply::parse(hex("06 80 00 03 00 05 00 00"))) << "0x80 but no default zone";
    EXPECT_FALSE(ZipGetNetInfoReply::parse(hex("06 40 00 05 00 03 00 00"))) << "inverted range";
    EXPECT_FALSE(ZipGetNetInfoReply::parse(hex("06 40 00 03 00 05 00 07 01 02 03 04 05 06 07"))) << "7-byte address";
    EXPECT_FALSE(ZipGetNetInfoReply::parse(hex("06 40 00 03 00 05 00 06 09 00 07"))) << "address past the end";
}

TEST(ZipNotify, ParsesWithFourOrTwoReservedBytesAndWritesFour) {
    const Bytes four = hex("07 00 00 00 00 00") + pstr("Old") + hex("00") + pstr("New");
    const Bytes two = hex("07 00 00 00") + pstr("Old") + hex("00") + pstr("New");
    const ZipNotify expected{0, "Old", {}, "New"};
    EXPECT_EQ(ZipNotify::parse(four), expected);
    EXPECT_EQ(ZipNotify::parse(two), expected);
    EXPECT_EQ(expected.serialize(), four);
    EXPECT_FALSE(ZipNotify::parse(hex("07 00 00 00 00 00 03 4f 6c"))) << "zone running past the end";
}

TEST(ZipAtpRequest, UserBytesCarryFunctionAndOneBasedStartIndex) {
    EXPECT_EQ(ZipAtpRequest::getMyZone().serialize(), (atp::UserBytes{7, 0, 0, 0}));
    EXPECT_EQ(ZipAtpRequest::getZoneList(1).serialize(), (atp::UserBytes{8, 0, 0, 1}));
    EXPECT_EQ(ZipAtpRequest::getLocalZones(0x0102).serialize(), (atp::UserBytes{9, 0, 1, 2}));
    EXPECT_EQ(ZipAtpRequest::parse(hex("08 00 01 2c")), ZipAtpRequest::getZoneList(300));
    EXPECT_FALSE(ZipAtpRequest::parse(hex("06 00 00 01")));
    EXPECT_FALSE(ZipAtpRequest::parse(hex("0a 00 00 01")));
    EXPECT_FALSE(ZipAtpRequest::parse(hex("08 00 00")));
}

TEST(ZipZoneListReply, CapturedReplyGivesLastFlagAndZones) {
    const auto reply = ZipZoneListReply::parse(hex("01 00 00 02"), pstr("LToUDP Zone") + pstr("Virtual Zone"));
    ASSERT_TRUE(reply);
    EXPECT_TRUE(reply->last);
    EXPECT_EQ(reply->zones, (std::vector<std::string>{"LToUDP Zone", "Virtual Zone"}));
}

TEST(ZipZoneListReply, CountMustMatchTheNamesInTheData) {
    const Bytes zones = pstr("A") + pstr("B");
    EXPECT_FALSE(ZipZoneListReply::parse(hex("01 00 00 03"), zones));
    EXPECT_FALSE(ZipZoneListReply::parse(hex("01 00 00 01"), zones));
    EXPECT_FALSE(ZipZoneListReply::parse(hex("01 00 ff ff"), zones));
    EXPECT_FALSE(ZipZoneListReply::parse(hex("01 00 00 01"), hex("05 41")));
    EXPECT_FALSE(ZipZoneListReply::parse(hex("01 00 00 01"), pstr(k33)));
    const auto empty = ZipZoneListReply::parse(hex("01 00 00 00"), {});
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->zones.empty());
}

TEST(ZipZoneListReply, PagesPackWholeNamesInto578BytesAndTheLastPageSaysSo) {
    std::vector<std::string> zones;
    for (int i = 0; i < 40; ++i) zones.push_back(std::string(31, static_cast<char>('a' + i % 26))); // 32 bytes each
    std::uint16_t index = 1;
    std::vector<std::string> collected;
    for (int pageCount = 1;; ++pageCount) {
        ASSERT_LE(pageCount, 3);
        const auto page = ZipZoneListReply::page(zones, index);
        ASSERT_TRUE(page);
        const auto payload = page->serialize();
        ASSERT_TRUE(payload);
        EXPECT_LE(payload->data.size(), 578u);
        EXPECT_EQ(ZipZoneListReply::parse(payload->userBytes, payload->data), page);
        collected.insert(collected.end(), page->zones.begin(), page->zones.end());
        index = static_cast<std::uint16_t>(index + page->zones.size());
        if (page->last) break;
        EXPECT_EQ(page->zones.size(), 18u); // 18 * 32 = 576; a 19th would need 608
    }
    EXPECT_EQ(collected, zones);
}

TEST(ZipZoneListReply, PageBoundaries) {
    const std::vector<std::string> zones{"A", "B", "C"};
    EXPECT_EQ(ZipZoneListReply::page(zones, 4), (ZipZoneListReply{true, {}})) << "past the end";
    EXPECT_EQ(ZipZoneListReply::page(zones, 3), (ZipZoneListReply{true, {"C"}}));
    EXPECT_EQ(ZipZoneListReply::page(zones, 0), (ZipZoneListReply{true, zones})) << "0 taken as 1";
    EXPECT_FALSE(ZipZoneListReply::page(std::vector<std::string>{k33}, 1));
    EXPECT_FALSE((ZipZoneListReply{true, {k33}}).serialize());
}

TEST(ZoneMulticast, CapturedZonesHashToTheAddressesRoutersUse) {
    EXPECT_EQ(zoneNameHash("EtherTalk A"), 0x9B3E);
    EXPECT_EQ(zoneMulticastAddress("EtherTalk A"), (MulticastAddress{0x09, 0x00, 0x07, 0x00, 0x00, 0x15}));
    EXPECT_EQ(zoneMulticastAddress("EtherTalk B")[5], 0x17);
    EXPECT_EQ(zoneMulticastAddress("LToUDP Zone")[5], 0x99);
    EXPECT_EQ(zoneMulticastAddress("ethertalk a"), zoneMulticastAddress("ETHERTALK A")) << "folded before hashing";
    EXPECT_EQ(zoneNameHash(""), 0xFFFF) << "a zero sum is sent as 0xFFFF";
}

} // namespace
} // namespace appletalk::zip
