// SPDX-License-Identifier: MIT
// One EtherTalk Phase 2 frame: an 802.3 header (destination, source, length), LLC
// AA AA 03 and a SNAP header naming AppleTalk (08 00 07 80 9B) or AARP (00 00 00 80 F3).
// Short frames are padded to 60 bytes; the 802.3 length tells where the payload ends,
// and for AppleTalk the DDP length inside it, since some stations count the padding.
#pragma once

#include "appletalk/protocols/ethertalk/MacAddress.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace appletalk {

enum class EtherProtocol : std::uint8_t { AppleTalk, Aarp };

struct EtherTalkFrame {
    static constexpr std::size_t kHeaderSize = 14; // addresses and 802.3 length
    static constexpr std::size_t kSnapSize = 8; // LLC and SNAP
    static constexpr std::size_t kMinimumFrame = 60; // without the FCS
    static constexpr std::size_t kMaxPayload = 1500 - kSnapSize;

    MacAddress destination;
    MacAddress source;
    EtherProtocol protocol = EtherProtocol::AppleTalk;
    std::vector<std::uint8_t> payload; // a long-header DDP datagram, or an AARP packet

    // Nothing for a frame that is not 802.3 with AppleTalk's LLC/SNAP, whose 802.3 length
    // runs past the bytes received, or whose DDP length runs past the payload.
    static std::optional<EtherTalkFrame> parse(std::span<const std::uint8_t> bytes);
    // Padded to 60 bytes. Nothing for a payload over 1492 bytes.
    std::optional<std::vector<std::uint8_t>> serialize() const;

    bool operator==(const EtherTalkFrame&) const = default;
};

} // namespace appletalk
