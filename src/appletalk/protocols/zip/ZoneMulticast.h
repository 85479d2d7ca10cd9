// SPDX-License-Identifier: MIT
// The EtherTalk multicast address of a zone: the zone name folded to upper case (the NBP/ZIP
// fold), run through the DDP checksum, modulo 253, as the last byte of 09:00:07:00:00:xx.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace appletalk::zip {

using MulticastAddress = std::array<std::uint8_t, 6>;

// The DDP checksum of the folded name bytes (no length byte); 0 comes out as 0xFFFF.
std::uint16_t zoneNameHash(std::string_view zone);

MulticastAddress zoneMulticastAddress(std::string_view zone);

} // namespace appletalk::zip
