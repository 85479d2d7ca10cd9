// SPDX-License-Identifier: MIT
// What a client protocol of ATP (ZIP, PAP) puts into one ATP packet: the 4 user bytes that
// carry its header, and the data.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace appletalk::atp {

using UserBytes = std::array<std::uint8_t, 4>;

struct AtpPayload {
    UserBytes userBytes{};
    std::vector<std::uint8_t> data;

    bool operator==(const AtpPayload&) const = default;
};

} // namespace appletalk::atp
