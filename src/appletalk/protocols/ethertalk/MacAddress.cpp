// SPDX-License-Identifier: MIT
#include "appletalk/protocols/ethertalk/MacAddress.h"

#include <algorithm>
#include <cstdio>

namespace appletalk {

std::string MacAddress::toString() const {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", bytes[0], bytes[1], bytes[2], bytes[3], bytes[4],
                  bytes[5]);
    return text;
}

std::optional<MacAddress> MacAddress::fromBytes(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != 6) return std::nullopt;
    MacAddress address;
    std::copy(bytes.begin(), bytes.end(), address.bytes.begin());
    return address;
}

std::optional<MacAddress> MacAddress::parse(std::string_view text) {
    if (text.size() != 17) return std::nullopt;
    MacAddress address;
    const auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < 6; ++i) {
        const int high = hex(text[i * 3]);
        const int low = hex(text[i * 3 + 1]);
        if (high < 0 || low < 0 || (i < 5 && text[i * 3 + 2] != ':')) return std::nullopt;
        address.bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return address;
}

} // namespace appletalk
