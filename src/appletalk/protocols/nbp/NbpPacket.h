// SPDX-License-Identifier: MIT
// An NBP packet (DDP type 2): function and tuple count in byte 0 (4 bits each), the NBP ID,
// then the tuples. Requests (BrRq, LkUp, FwdReq) carry exactly one tuple, the requester's
// address and the name looked for; a LkUp-Reply carries 1..15 registered entities.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "appletalk/protocols/nbp/NbpTuple.h"

namespace appletalk::nbp {

enum class NbpFunction : std::uint8_t { BroadcastRequest = 1, Lookup = 2, LookupReply = 3, ForwardRequest = 4 };

struct NbpPacket {
    static constexpr std::size_t kMaxTuples = 15; // the count is 4 bits

    NbpFunction function = NbpFunction::Lookup;
    std::uint8_t id = 0; // the requester's lookup id; replies echo it
    std::vector<NbpTuple> tuples;

    static NbpPacket request(NbpFunction function, std::uint8_t id, const NbpTuple& requester);

    // Rejects an unknown function, a count that differs from the tuples present (or from 1
    // for a request, 0 for a reply), names over 32 bytes, trailing bytes, more than 586 bytes.
    static std::optional<NbpPacket> parse(std::span<const std::uint8_t> bytes);
    // Empty when the packet breaks one of the rules parse checks.
    std::vector<std::uint8_t> serialize() const;

    // LkUp-Reply packets carrying every tuple: as many as fit in 586 bytes, at most 15 per
    // packet. Empty when there are no tuples or one has a field over 32 bytes.
    static std::vector<NbpPacket> lookupReplies(std::uint8_t id, std::span<const NbpTuple> tuples);

    bool operator==(const NbpPacket&) const = default;
};

} // namespace appletalk::nbp
