// SPDX-License-Identifier: MIT
// RTMP Data, Request and Response parsers: no crash, and every accepted packet round-trips.
#include "ProtocolRoundTrip.h"
#include "appletalk/protocols/rtmp/RtmpData.h"
#include "appletalk/protocols/rtmp/RtmpRequest.h"
#include "appletalk/protocols/rtmp/RtmpResponse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace appletalk;
    const fuzz::Bytes bytes(data, size);
    fuzz::checkRoundTrip<rtmp::RtmpData>(bytes, "RtmpData");
    fuzz::checkRoundTrip<rtmp::RtmpRequest>(bytes, "RtmpRequest");
    fuzz::checkRoundTrip<rtmp::RtmpResponse>(bytes, "RtmpResponse");
    return 0;
}
