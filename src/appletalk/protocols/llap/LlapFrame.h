// SPDX-License-Identifier: MIT
// One LLAP frame as it travels on LocalTalk and inside LToUDP, without the FCS:
// destination node, source node, type, then data (data frames only).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace appletalk {

struct LlapFrame {
    static constexpr std::uint8_t kShortDdp = 0x01;
    static constexpr std::uint8_t kLongDdp = 0x02;
    static constexpr std::uint8_t kEnq = 0x81;
    static constexpr std::uint8_t kAck = 0x82;
    static constexpr std::uint8_t kRts = 0x84;
    static constexpr std::uint8_t kCts = 0x85;
    static constexpr std::uint8_t kBroadcast = 0xFF;
    static constexpr std::size_t kHeaderSize = 3;
    static constexpr std::size_t kMaxData = 600;
    static constexpr std::size_t kMaxFrameSize = kHeaderSize + kMaxData;

    std::uint8_t destination = 0;
    std::uint8_t source = 0;
    std::uint8_t type = 0;
    std::vector<std::uint8_t> data;

    static LlapFrame control(std::uint8_t type, std::uint8_t node) { return LlapFrame{node, node, type, {}}; }

    bool isControl() const { return (type & 0x80) != 0; }

    // Nothing for a frame shorter than its header, of type 0 or a reserved control type,
    // a control frame with data, or data over 600 bytes.
    static std::optional<LlapFrame> parse(std::span<const std::uint8_t> bytes);
    // Nothing when the frame could not be parsed back (the same rules as parse).
    std::optional<std::vector<std::uint8_t>> serialize() const;

    bool operator==(const LlapFrame&) const = default;
};

} // namespace appletalk
