// SPDX-License-Identifier: MIT
// The codec baselines' framing: a datagram put in an LLAP frame and read back out as a node
// does it, so that a baseline carries the same bytes at each hop as the stack it is held
// against.
#pragma once

#include "appletalk/protocols/ddp/Datagram.h"
#include "appletalk/protocols/ddp/DdpCodec.h"
#include "appletalk/protocols/llap/LlapFrame.h"

#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace vidur::bench {

// One DDP datagram in an LLAP frame, as a node sends it: a long header (with its checksum)
// off the cable, a short one on it.
inline std::vector<std::uint8_t> frame(const appletalk::Datagram& datagram, std::uint8_t to, std::uint8_t from,
                                       bool longHeader) {
    using appletalk::DdpCodec;
    using appletalk::LlapFrame;
    auto ddp = longHeader ? DdpCodec::serializeLong(datagram) : DdpCodec::serializeShort(datagram);
    return *LlapFrame{to, from, longHeader ? LlapFrame::kLongDdp : LlapFrame::kShortDdp, std::move(*ddp)}.serialize();
}

// The datagram in a frame, as a node reads it (the checksum checked), or nothing.
inline std::optional<appletalk::Datagram> unframe(std::span<const std::uint8_t> bytes, std::uint16_t thisNet) {
    using appletalk::LlapFrame;
    const auto llap = LlapFrame::parse(bytes);
    if (!llap) return std::nullopt;
    if (llap->type == LlapFrame::kLongDdp) return appletalk::DdpCodec::parseLong(llap->data).datagram;
    return appletalk::DdpCodec::parseShort(llap->data, {thisNet, llap->destination, llap->source}).datagram;
}

} // namespace vidur::bench
