// SPDX-License-Identifier: MIT
// PAP function codes (ATP user byte 1).
#pragma once

#include <cstddef>
#include <cstdint>

namespace appletalk::pap {

enum class PapFunction : std::uint8_t {
    OpenConn = 1,
    OpenConnReply = 2,
    SendData = 3,
    Data = 4,
    Tickle = 5,
    CloseConn = 6,
    CloseConnReply = 7,
    SendStatus = 8,
    Status = 9,
};

inline constexpr std::size_t kMaxDataPerPacket = 512; // PAP Data: bytes per ATP response packet
inline constexpr std::uint16_t kOpenResultOk = 0;
inline constexpr std::uint16_t kOpenResultBusy = 0xFFFF;

} // namespace appletalk::pap
