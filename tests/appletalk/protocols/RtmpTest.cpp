// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "appletalk/protocols/rtmp/RtmpData.h"
#include "appletalk/protocols/rtmp/RtmpRequest.h"
#include "appletalk/protocols/rtmp/RtmpResponse.h"
#include "support/Captures.h"

namespace appletalk::rtmp {
namespace {

using testing::Bytes;
using testing::hex;
using testing::operator+;

TEST(RtmpData, CapturedLocalTalkBroadcastGivesSenderAndOneNonExtendedTuple) {
    const auto data = RtmpData::parse(testing::capture::rtmpData);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->senderNetwork, 1);
    EXPECT_EQ(data->senderNode, 0xFE);
    EXPECT_FALSE(data->isExtended());
    ASSERT_EQ(data->tuples.size(), 1u);
    EXPECT_EQ(data->tuples[0], RtmpTuple::network(2, 0));
}

TEST(RtmpData, ExtendedFormCarriesTheCableRangeInPlaceOfTheVersionMarker) {
    RtmpData data{3, 0xAC, RtmpTuple::range(3, 5, 0), {RtmpTuple::range(10, 12, 1), RtmpTuple::network(7, 2)}};
    const Bytes wire = data.serialize();
    EXPECT_EQ(wire, hex("00 03 08 ac  00 03 80 00 05 82  00 0a 81 00 0c 82  00 07 02"));
    EXPECT_EQ(RtmpData::parse(wire), data);
}

TEST(RtmpData, MalformedPacketsAreRejected) {
    const std::vector<std::pair<const char*, Bytes>> rows = {
        {"node-id length other than 8", hex("00 01 10 fe 00 00 82")},
        {"no version marker nor range", hex("00 01 08 fe")},
        {"extended tuple with wrong version", hex("00 03 08 ac 00 03 80 00 05 83")},
        {"inverted cable range", hex("00 05 08 ac 00 05 80 00 03 82")},
        {"cable range starting at network 0", hex("00 05 08 ac 00 00 81 00 03 82")},
        {"first tuple non-extended", hex("00 01 08 fe 00 02 00")},
        {"truncated trailing tuple", hex("00 01 08 fe 00 00 82 00 02")},
        {"truncated extended tuple", hex("00 01 08 fe 00 00 82 00 02 80 00")},
    };
    for (const auto& [what, bytes] : rows) EXPECT_FALSE(RtmpData::parse(bytes)) << what;
}

TEST(RtmpData, OverlongPacketIsRejectedAndRefused) {
    RtmpData data{1, 0xFE, std::nullopt, std::vector<RtmpTuple>(194, RtmpTuple::network(9, 1))}; // 7 + 582 bytes
    EXPECT_TRUE(data.serialize().empty());
    Bytes wire = testing::capture::rtmpData;
    while (wire.size() <= 586) wire = wire + hex("00 09 01");
    EXPECT_FALSE(RtmpData::parse(wire));
}

TEST(RtmpData, ValuesThatCannotBeEncodedAreRefused) {
    EXPECT_TRUE((RtmpData{1, 2, std::nullopt, {RtmpTuple::network(3, 0x80)}}).serialize().empty());
    EXPECT_TRUE((RtmpData{1, 2, std::nullopt, {RtmpTuple::range(5, 3, 1)}}).serialize().empty());
    EXPECT_TRUE((RtmpData{1, 2, RtmpTuple::network(1, 0), {}}).serialize().empty());
}

TEST(RtmpRequest, FunctionCodesOneToThreeRoundTripAndOthersAreRejected) {
    for (std::uint8_t code = 1; code <= 3; ++code) {
        const auto request = RtmpRequest::parse(Bytes{code});
        ASSERT_TRUE(request) << int(code);
        EXPECT_EQ(request->serialize(), Bytes{code});
    }
    EXPECT_FALSE(RtmpRequest::parse(Bytes{0}));
    EXPECT_FALSE(RtmpRequest::parse(Bytes{4}));
    EXPECT_FALSE(RtmpRequest::parse(Bytes{1, 0}));
    EXPECT_EQ(RtmpRequest::parse(testing::capture::rtmpRequest)->function, RtmpRequest::Function::Request);
}

TEST(RtmpResponse, LocalTalkFormIsFourBytesAndExtendedFormAddsTheRange) {
    const auto shortForm = RtmpResponse::parse(testing::capture::rtmpResponse);
    ASSERT_TRUE(shortForm);
    EXPECT_EQ(shortForm->senderNetwork, 1);
    EXPECT_EQ(shortForm->senderNode, 0xFE);
    EXPECT_FALSE(shortForm->cableRange);

    const Bytes extendedWire = hex("00 04 08 2a 00 03 80 00 05 82");
    const auto extended = RtmpResponse::parse(extendedWire);
    ASSERT_TRUE(extended);
    EXPECT_EQ(extended->cableRange, RtmpTuple::range(3, 5, 0));
    EXPECT_EQ(extended->serialize(), extendedWire);
}

TEST(RtmpResponse, OtherSizesAndNonExtendedRangesAreRejected) {
    EXPECT_FALSE(RtmpResponse::parse(hex("00 01 08 fe 00")));
    EXPECT_FALSE(RtmpResponse::parse(hex("00 01 08 fe 00 00 82")));
    EXPECT_FALSE(RtmpResponse::parse(hex("00 04 08 2a 00 03 00 00 05 82")));
    EXPECT_TRUE((RtmpResponse{1, 2, RtmpTuple::network(1, 0)}).serialize().empty());
}

} // namespace
} // namespace appletalk::rtmp
