// SPDX-License-Identifier: MIT
// The ATP data of a PAP Status reply (the answer to SendStatus): 4 unused bytes, then the
// status text as a pstr, e.g. "status: idle".
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace appletalk::pap {

struct PapStatus {
    static constexpr std::size_t kMaxLength = 255;

    std::string status; // Mac OS Roman

    // The unused bytes are not checked (senders should zero them). Bytes after the pstr are
    // tolerated: a printer may pad its response, and the text is all a client wants.
    static std::optional<PapStatus> parse(std::span<const std::uint8_t> data);
    std::vector<std::uint8_t> serialize() const; // empty for a status over 255 bytes

    bool operator==(const PapStatus&) const = default;
};

} // namespace appletalk::pap
