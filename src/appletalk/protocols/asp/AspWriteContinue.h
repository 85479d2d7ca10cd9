// SPDX-License-Identifier: MIT
// The data of a WriteContinue request: how many bytes the server's buffer takes, at most one
// quantum. The workstation answers with that many bytes of write data, or fewer.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace appletalk::asp {

struct AspWriteContinue {
    std::uint16_t bufferSize = 0;

    // Rejects another size than 2 bytes and a buffer over kQuantumSize.
    static std::optional<AspWriteContinue> parse(std::span<const std::uint8_t> data);
    std::vector<std::uint8_t> serialize() const; // empty when the buffer is over a quantum

    bool operator==(const AspWriteContinue&) const = default;
};

} // namespace appletalk::asp
