// SPDX-License-Identifier: MIT
// AARP packets: no crash, and every accepted packet round-trips.
#include "ProtocolRoundTrip.h"

#include "appletalk/protocols/aarp/AarpPacket.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    appletalk::fuzz::checkRoundTrip<appletalk::AarpPacket>(appletalk::fuzz::Bytes(data, size), "AarpPacket");
    return 0;
}
