// SPDX-License-Identifier: MIT
// One LToUDP datagram: a 4-byte sender id, then one LLAP frame without FCS. The sender id
// only lets a stack drop its own datagrams when multicast loops them back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace appletalk {

struct LToUdpDatagram {
    static constexpr std::size_t kSenderIdSize = 4;
    static constexpr std::size_t kMinSize = kSenderIdSize + 3; // a control frame
    static constexpr std::size_t kMaxSize = kSenderIdSize + 603; // a full data frame

    std::uint32_t senderId = 0;
    std::vector<std::uint8_t> frame;

    // Nothing for a datagram under 7 or over 607 bytes.
    static std::optional<LToUdpDatagram> parse(std::span<const std::uint8_t> bytes);
    // Nothing when the frame does not fit (under 3 or over 603 bytes).
    std::optional<std::vector<std::uint8_t>> serialize() const;

    bool operator==(const LToUdpDatagram&) const = default;
};

} // namespace appletalk
