// Byte-building helpers for the wire-format tests: hex groups, text and Pascal strings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace appletalk::test {

using Bytes = std::vector<std::uint8_t>;

// "00 0f c8" -> {0x00, 0x0f, 0xc8}
inline Bytes hex(std::string_view groups) {
    Bytes bytes;
    std::string digits;
    for (const char c : groups) {
        if (c == ' ') continue;
        digits += c;
        if (digits.size() == 2) {
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits, nullptr, 16)));
            digits.clear();
        }
    }
    return bytes;
}

inline Bytes text(std::string_view s) { return Bytes(s.begin(), s.end()); }

inline Bytes pstr(std::string_view s) {
    Bytes bytes{static_cast<std::uint8_t>(s.size())};
    bytes.insert(bytes.end(), s.begin(), s.end());
    return bytes;
}

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The DDP data of the frames captured against a third-party router (LToUDP, and EtherTalk
// for the last two).
namespace capture {
inline const Bytes rtmpData = hex("00 01 08 fe 00 00 82 00 02 00");
inline const Bytes rtmpRequest = hex("01");
inline const Bytes rtmpResponse = hex("00 01 08 fe");
inline const Bytes getNetInfoRequest = hex("05 00 00 00 00 00 00");
inline const Bytes getNetInfoReply = hex("06 e0 00 01 00 01 00 00") + pstr("LToUDP Zone");
inline const Bytes getMyZoneRequest = hex("40 01 29 39 07 00 00 00");
inline const Bytes getMyZoneReply = hex("90 00 29 39 00 00 00 01") + pstr("LToUDP Zone");
inline const Bytes getZoneListReply = hex("90 00 29 3a 01 00 00 02") + pstr("LToUDP Zone") + pstr("Virtual Zone");
inline const Bytes nbpBroadcastRequest = hex("11 df 00 01 14 c8 00") + pstr("=") + pstr("LaserWriter") + pstr("*");
inline const Bytes nbpLookup = hex("21 df 00 01 14 c8 00") + pstr("=") + pstr("LaserWriter") + pstr("*");
inline const Bytes nbpLookupReply = hex("31 df 00 01 82 82 01") + pstr("Probe Printer") + pstr("LaserWriter") + pstr("*");
inline const Bytes papSendStatus = hex("60 01 29 3c 00 08 00 00");
inline const Bytes papStatus = hex("90 00 29 3c 00 09 00 00 00 00 00 00") + pstr("status: idle");
inline const Bytes etherGetNetInfoReply = hex("06 80 00 03 00 05 00 06 09 00 07 00 00 15") + pstr("EtherTalk A");
inline const Bytes etherGetZoneListReply =
    hex("90 00 12 34 01 00 00 03") + pstr("LToUDP Zone") + pstr("EtherTalk A") + pstr("EtherTalk B");
} // namespace capture

} // namespace appletalk::test
