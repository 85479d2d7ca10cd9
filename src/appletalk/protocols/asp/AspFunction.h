// SPDX-License-Identifier: MIT
// ASP function codes (byte 0 of a request's ATP user bytes), the protocol's limits and its
// error codes (OpenSessReply, and what a session reports to its caller).
#pragma once

#include <cstddef>
#include <cstdint>

#include "appletalk/protocols/wire/WireLimits.h"

namespace appletalk::asp {

enum class AspFunction : std::uint8_t {
    CloseSess = 1,
    Command = 2,
    GetStatus = 3,
    OpenSess = 4,
    Tickle = 5,
    Write = 6,
    WriteContinue = 7,
    Attention = 8,
};

inline constexpr std::uint16_t kAspVersion = 0x0100;
// A reply travels in one ATP transaction: at most 8 response packets of full ATP data.
inline constexpr std::size_t kQuantumSize = 8 * kMaxAtpData;
// A command block rides in one ATP request packet.
inline constexpr std::size_t kMaxCommandBlock = kMaxAtpData;
// Session id 0 is never handed out, so a zero byte always means "no session".
inline constexpr std::uint8_t kNoSession = 0;
inline constexpr unsigned kTickleIntervalSeconds = 30;
inline constexpr unsigned kSessionTimeoutSeconds = 120; // four tickles missed

enum class AspError : std::int16_t {
    NoError = 0,
    BadVersNum = -1066,
    BufTooSmall = -1067,
    NoMoreSessions = -1068,
    NoServers = -1069,
    ParamErr = -1070,
    ServerBusy = -1071,
    SessClosed = -1072,
    SizeErr = -1073,
    TooManyClients = -1074,
    NoAck = -1075,
};

} // namespace appletalk::asp
