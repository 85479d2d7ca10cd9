// SPDX-License-Identifier: MIT
// ATP packet parser: no crash, every accepted packet round-trips, and the data limit holds.
#include "ProtocolRoundTrip.h"
#include "appletalk/protocols/atp/AtpPacket.h"
#include "appletalk/protocols/wire/WireLimits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace appletalk;
    const fuzz::Bytes bytes(data, size);
    fuzz::checkRoundTrip<atp::AtpPacket>(bytes, "AtpPacket");
    const auto packet = atp::AtpPacket::parse(bytes);
    if (packet && packet->data.size() > kMaxAtpData) fuzz::mismatch("AtpPacket data over 578 bytes");
    return 0;
}
