// SPDX-License-Identifier: MIT
// NBP packet parser: no crash, every accepted packet round-trips; and on every name that
// arrives, matching keeps its basic laws (a registrable name matches itself, "=" matches it).
#include "ProtocolRoundTrip.h"
#include "appletalk/protocols/nbp/NbpMatch.h"
#include "appletalk/protocols/nbp/NbpPacket.h"

namespace {

using namespace appletalk;

void checkMatchingLaws(const nbp::NbpName& name) {
    const auto any = nbp::NbpZoneRule::anyZone();
    if (name.isRegistrable() && !nbp::matches(name, name, any)) fuzz::mismatch("name does not match itself");
    const nbp::NbpName everything{"=", "=", "*"};
    if (!nbp::matches(everything, name, any)) fuzz::mismatch("=:=@* does not match");
    // The field as a pattern against another field: must not crash, whatever the wildcards.
    static_cast<void>(nbp::matchesField(name.object, name.type));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::Bytes bytes(data, size);
    fuzz::checkRoundTrip<nbp::NbpPacket>(bytes, "NbpPacket");
    if (const auto packet = nbp::NbpPacket::parse(bytes)) {
        for (const auto& tuple : packet->tuples) checkMatchingLaws(tuple.name);
        const auto replies = nbp::NbpPacket::lookupReplies(packet->id, packet->tuples);
        if (replies.size() != 1 && packet->function == nbp::NbpFunction::LookupReply)
            fuzz::mismatch("a parsed reply does not repack into one packet");
    }
    return 0;
}
