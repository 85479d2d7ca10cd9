// SPDX-License-Identifier: MIT
// PAP connection packets (SendData, Data, Tickle, CloseConn, CloseConnReply) as they come in
// ATP payloads: no crash, and every accepted packet round-trips.
#include "ProtocolRoundTrip.h"
#include "appletalk/protocols/pap/PapPacket.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace appletalk;
    const fuzz::Bytes bytes(data, size);
    const auto split = fuzz::splitUserBytes(bytes);
    if (split.userBytes.size() != 4) return 0;
    atp::AtpPayload payload;
    std::copy(split.userBytes.begin(), split.userBytes.end(), payload.userBytes.begin());
    payload.data.assign(split.data.begin(), split.data.end());
    const auto packet = pap::PapPacket::parse(payload);
    if (!packet) return 0;
    const auto again = packet->serialize();
    if (!again || *again != payload) {
        std::fprintf(stderr, "PapPacket does not round-trip\n");
        std::abort();
    }
    return 0;
}
