// SPDX-License-Identifier: MIT
// RTMP Request (DDP type 5): one function byte. 1 asks a router for its net and node; 2 and
// 3 are Route Data Requests (split horizon / whole table).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace appletalk::rtmp {

struct RtmpRequest {
    enum class Function : std::uint8_t { Request = 1, RouteDataSplitHorizon = 2, RouteDataFullTable = 3 };

    Function function = Function::Request;

    static std::optional<RtmpRequest> parse(std::span<const std::uint8_t> bytes);
    std::vector<std::uint8_t> serialize() const; // empty for a function outside 1..3

    bool operator==(const RtmpRequest&) const = default;
};

} // namespace appletalk::rtmp
