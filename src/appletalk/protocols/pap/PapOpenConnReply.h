// SPDX-License-Identifier: MIT
// The ATP data of a PAP OpenConnReply: the server's ATP responding socket, its flow quantum,
// the result (0 ok, 0xFFFF busy) and the printer's status pstr.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "appletalk/protocols/pap/PapFunction.h"

namespace appletalk::pap {

struct PapOpenConnReply {
    std::uint8_t respondingSocket = 0;
    std::uint8_t flowQuantum = 8;
    std::uint16_t result = kOpenResultOk;
    std::string status; // Mac OS Roman, at most 255 bytes

    bool isBusy() const { return result == kOpenResultBusy; }

    // Rejects truncation and trailing bytes after the status.
    static std::optional<PapOpenConnReply> parse(std::span<const std::uint8_t> data);
    std::vector<std::uint8_t> serialize() const; // empty for a status over 255 bytes

    bool operator==(const PapOpenConnReply&) const = default;
};

} // namespace appletalk::pap
