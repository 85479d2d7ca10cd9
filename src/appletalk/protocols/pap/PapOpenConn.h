// SPDX-License-Identifier: MIT
// The ATP data of a PAP OpenConn request: the requester's ATP responding socket, its flow
// quantum (response packets it can take per SendData) and how long it has waited so far.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace appletalk::pap {

struct PapOpenConn {
    std::uint8_t respondingSocket = 0;
    std::uint8_t flowQuantum = 8;
    std::uint16_t waitTime = 0; // how long the requester has been trying; a busy printer favours long waiters

    static std::optional<PapOpenConn> parse(std::span<const std::uint8_t> data); // exactly 4 bytes
    std::vector<std::uint8_t> serialize() const;

    bool operator==(const PapOpenConn&) const = default;
};

} // namespace appletalk::pap
