// SPDX-License-Identifier: MIT
// ASP decoders: the request user bytes and the OpenSess reply and command result on the first
// 4 bytes, the WriteContinue buffer size on the rest; no crash, and every accepted value
// round-trips.
#include "ProtocolRoundTrip.h"
#include "appletalk/protocols/asp/AspCmdResult.h"
#include "appletalk/protocols/asp/AspOpenSessReply.h"
#include "appletalk/protocols/asp/AspRequest.h"
#include "appletalk/protocols/asp/AspWriteContinue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace appletalk;
    const fuzz::Bytes bytes(data, size);
    const auto split = fuzz::splitUserBytes(bytes);
    fuzz::checkRoundTrip<asp::AspRequest>(split.userBytes, "AspRequest");
    fuzz::checkRoundTrip<asp::AspOpenSessReply>(split.userBytes, "AspOpenSessReply");
    fuzz::checkRoundTrip<asp::AspCmdResult>(split.userBytes, "AspCmdResult");
    fuzz::checkRoundTrip<asp::AspWriteContinue>(split.data, "AspWriteContinue");
    return 0;
}
