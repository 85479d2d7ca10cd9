// SPDX-License-Identifier: MIT
// Bytes written as in the capture tables: hex pairs separated by spaces (or '|'), and quoted
// text ('LToUDP Zone') for the characters of a string, e.g. "0b 'LaserWriter' 01 2a"; and
// the pieces wire-format tests build frames from.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace appletalk::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes wireBytes(std::string_view text) {
    Bytes bytes;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == ' ' || c == '|') {
            ++i;
        } else if (c == '\'') {
            const std::size_t end = text.find('\'', i + 1);
            if (end == std::string_view::npos) throw std::invalid_argument("unterminated text");
            for (std::size_t j = i + 1; j < end; ++j) bytes.push_back(static_cast<std::uint8_t>(text[j]));
            i = end + 1;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
            i += 2;
        }
    }
    return bytes;
}

// "00 0f c8" -> {0x00, 0x0f, 0xc8}
inline Bytes hex(std::string_view groups) { return wireBytes(groups); }

inline Bytes text(std::string_view s) { return Bytes(s.begin(), s.end()); }

// A Pascal string: its length byte, then its characters.
inline Bytes pstr(std::string_view s) {
    Bytes bytes{static_cast<std::uint8_t>(s.size())};
    bytes.insert(bytes.end(), s.begin(), s.end());
    return bytes;
}

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace appletalk::testing
