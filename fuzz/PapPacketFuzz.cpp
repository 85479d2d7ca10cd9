// SPDX-License-Identifier: MIT
// PAP parsers: the header on the first 4 bytes, the ATP data layouts on the rest and on the
// whole input; no crash, and every accepted value round-trips.
#include "ProtocolRoundTrip.h"
#include "appletalk/protocols/pap/PapHeader.h"
#include "appletalk/protocols/pap/PapOpenConn.h"
#include "appletalk/protocols/pap/PapOpenConnReply.h"
#include "appletalk/protocols/pap/PapStatus.h"

namespace {

using namespace appletalk;

void checkData(fuzz::Bytes data) {
    fuzz::checkRoundTrip<pap::PapStatus>(data, "PapStatus");
    fuzz::checkRoundTrip<pap::PapOpenConn>(data, "PapOpenConn");
    fuzz::checkRoundTrip<pap::PapOpenConnReply>(data, "PapOpenConnReply");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Bytes bytes(data, size);
    const auto split = fuzz::splitUserBytes(bytes);
    fuzz::checkRoundTrip<pap::PapHeader>(split.userBytes, "PapHeader");
    checkData(split.data);
    checkData(bytes);
    return 0;
}
