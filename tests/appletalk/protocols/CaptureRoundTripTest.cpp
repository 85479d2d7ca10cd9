// SPDX-License-Identifier: MIT
// Every captured packet parses into its value type and serializes back byte for byte, and
// every truncated prefix of it is either rejected or parsed into something that serializes
// back to exactly that prefix (so nothing was read past the end or invented).
#include <gtest/gtest.h>

#include <functional>
#include <span>

#include "appletalk/protocols/atp/AtpPacket.h"
#include "appletalk/protocols/nbp/NbpPacket.h"
#include "appletalk/protocols/pap/PapHeader.h"
#include "appletalk/protocols/pap/PapStatus.h"
#include "appletalk/protocols/rtmp/RtmpData.h"
#include "appletalk/protocols/rtmp/RtmpRequest.h"
#include "appletalk/protocols/rtmp/RtmpResponse.h"
#include "appletalk/protocols/zip/ZipAtpRequest.h"
#include "appletalk/protocols/zip/ZipGetNetInfoReply.h"
#include "appletalk/protocols/zip/ZipGetNetInfoRequest.h"
#include "appletalk/protocols/zip/ZipZoneListReply.h"
#include "support/Captures.h"

namespace appletalk {
namespace {

using testing::Bytes;
using RoundTrip = std::function<std::optional<Bytes>(std::span<const std::uint8_t>)>;

template <typename T>
RoundTrip direct() {
    return [](std::span<const std::uint8_t> bytes) -> std::optional<Bytes> {
        const auto value = T::parse(bytes);
        if (!value) return std::nullopt;
        return value->serialize();
    };
}

// An ATP packet whose user bytes (and data, when `Data` is not void) hold a client protocol.
template <typename Header, typename Data>
RoundTrip overAtp() {
    return [](std::span<const std::uint8_t> bytes) -> std::optional<Bytes> {
        auto packet = atp::AtpPacket::parse(bytes);
        if (!packet) return std::nullopt;
        const auto header = Header::parse(packet->userBytes);
        if (!header) return std::nullopt;
        packet->userBytes = header->serialize();
        if constexpr (!std::is_void_v<Data>) {
            const auto data = Data::parse(packet->data);
            if (!data) return std::nullopt;
            packet->data = data->serialize();
        } else if (!packet->data.empty()) {
            return std::nullopt;
        }
        return packet->serialize();
    };
}

RoundTrip zoneListOverAtp() {
    return [](std::span<const std::uint8_t> bytes) -> std::optional<Bytes> {
        auto packet = atp::AtpPacket::parse(bytes);
        if (!packet) return std::nullopt;
        const auto reply = zip::ZipZoneListReply::parse(packet->userBytes, packet->data);
        if (!reply) return std::nullopt;
        const auto payload = reply->serialize();
        if (!payload) return std::nullopt;
        packet->userBytes = payload->userBytes;
        packet->data = payload->data;
        return packet->serialize();
    };
}

struct Capture {
    const char* name;
    Bytes bytes;
    RoundTrip roundTrip;
};

std::vector<Capture> captures() {
    namespace c = testing::capture;
    return {
        {"RtmpData", c::rtmpData, direct<rtmp::RtmpData>()},
        {"RtmpRequest", c::rtmpRequest, direct<rtmp::RtmpRequest>()},
        {"RtmpResponse", c::rtmpResponse, direct<rtmp::RtmpResponse>()},
        {"GetNetInfoRequest", c::getNetInfoRequest, direct<zip::ZipGetNetInfoRequest>()},
        {"GetNetInfoReply", c::getNetInfoReply, direct<zip::ZipGetNetInfoReply>()},
        {"EtherTalkGetNetInfoReply", c::etherGetNetInfoReply, direct<zip::ZipGetNetInfoReply>()},
        {"GetMyZoneRequest", c::getMyZoneRequest, overAtp<zip::ZipAtpRequest, void>()},
        {"GetMyZoneReply", c::getMyZoneReply, zoneListOverAtp()},
        {"GetZoneListReply", c::getZoneListReply, zoneListOverAtp()},
        {"EtherTalkGetZoneListReply", c::etherGetZoneListReply, zoneListOverAtp()},
        {"NbpBroadcastRequest", c::nbpBroadcastRequest, direct<nbp::NbpPacket>()},
        {"NbpLookup", c::nbpLookup, direct<nbp::NbpPacket>()},
        {"NbpLookupReply", c::nbpLookupReply, direct<nbp::NbpPacket>()},
        {"PapSendStatus", c::papSendStatus, overAtp<pap::PapHeader, void>()},
        {"PapStatus", c::papStatus, overAtp<pap::PapHeader, pap::PapStatus>()},
    };
}

class CapturedPacket : public ::testing::TestWithParam<Capture> {};

TEST_P(CapturedPacket, ParsesAndSerializesBackToTheCapturedBytes) {
    const auto& capture = GetParam();
    const auto result = capture.roundTrip(capture.bytes);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, capture.bytes);
}

TEST_P(CapturedPacket, EveryTruncatedPrefixIsRejectedOrParsedAsExactlyThatPrefix) {
    const auto& capture = GetParam();
    for (std::size_t length = 0; length < capture.bytes.size(); ++length) {
        // An exact-size heap copy, so a read past the prefix trips the address sanitizer.
        const Bytes prefix(capture.bytes.begin(), capture.bytes.begin() + static_cast<std::ptrdiff_t>(length));
        const auto result = capture.roundTrip(prefix);
        if (result) {
            EXPECT_EQ(*result, prefix) << "prefix of " << length << " bytes";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(FromTheRouter, CapturedPacket, ::testing::ValuesIn(captures()),
                         [](const ::testing::TestParamInfo<Capture>& row) { return std::string(row.param.name); });

} // namespace
} // namespace appletalk
