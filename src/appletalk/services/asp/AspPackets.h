// SPDX-License-Identifier: MIT
// A reply of up to one quantum as ATP response packets, and back: full packets of 578 data
// bytes in sequence order, the user bytes (an ASP command result) on the first only.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "appletalk/protocols/atp/AtpPayload.h"

namespace appletalk::asp {

// At least one packet (an empty reply is one empty packet); nothing when the bytes are over
// kQuantumSize.
std::optional<std::vector<atp::AtpPayload>> toPackets(atp::UserBytes first, std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> joinPackets(const std::vector<atp::AtpPayload>& packets);

} // namespace appletalk::asp
