// SPDX-License-Identifier: MIT
#include "appletalk/protocols/zip/ZoneMulticast.h"

#include "text/MacRoman.h"

namespace appletalk::zip {

namespace {

constexpr std::uint16_t kModulus = 253; // 09:00:07:00:00:FD..FF are not zone addresses

} // namespace

std::uint16_t zoneNameHash(std::string_view zone) {
    std::uint16_t sum = 0;
    for (const char c : zone) {
        sum = static_cast<std::uint16_t>(sum + vidur::text::foldCase(static_cast<std::uint8_t>(c)));
        sum = static_cast<std::uint16_t>((sum << 1) | (sum >> 15));
    }
    return sum == 0 ? 0xFFFF : sum;
}

MulticastAddress zoneMulticastAddress(std::string_view zone) {
    return {0x09, 0x00, 0x07, 0x00, 0x00, static_cast<std::uint8_t>(zoneNameHash(zone) % kModulus)};
}

} // namespace appletalk::zip
