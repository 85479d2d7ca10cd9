// SPDX-License-Identifier: MIT
// Sizes every upper-protocol packet is checked against.
#pragma once

#include <cstddef>

namespace appletalk {

inline constexpr std::size_t kMaxDdpData = 586; // DDP data bytes in one datagram
inline constexpr std::size_t kAtpHeaderSize = 8; // control, bitmap/sequence, TID, 4 user bytes
inline constexpr std::size_t kMaxAtpData = 578; // kMaxDdpData - kAtpHeaderSize
inline constexpr std::size_t kMaxNameLength = 32; // NBP object, type and zone; ZIP zone names

} // namespace appletalk
