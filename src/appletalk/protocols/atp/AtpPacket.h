// SPDX-License-Identifier: MIT
// One ATP packet (DDP type 3): control byte (function, XO, EOM, STS, TRel timeout indicator),
// bitmap or sequence number, TID, 4 user bytes and up to 578 data bytes.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "appletalk/protocols/atp/AtpPayload.h"

namespace appletalk::atp {

enum class AtpFunction : std::uint8_t { Request = 1, Response = 2, Release = 3 }; // control bits 7..6

// How long an exactly-once responder keeps a transaction's response (TReq bits 2..0).
enum class ReleaseTimeout : std::uint8_t { Seconds30 = 0, Minute1 = 1, Minutes2 = 2, Minutes4 = 3, Minutes8 = 4 };

struct AtpPacket {
    static constexpr std::uint8_t kXo = 0x20;
    static constexpr std::uint8_t kEom = 0x10;
    static constexpr std::uint8_t kSts = 0x08;
    static constexpr std::uint8_t kTimeoutMask = 0x07;
    static constexpr std::uint8_t kMaxSequence = 7;

    AtpFunction function = AtpFunction::Request;
    bool exactlyOnce = false; // XO
    bool endOfMessage = false; // EOM, TResp
    bool sendTransactionStatus = false; // STS, TResp
    std::uint8_t timeoutIndicator = 0; // bits 2..0, XO TReq only; 5..7 are reserved but kept
    std::uint8_t bitmapOrSequence = 0; // TReq/TRel: bitmap; TResp: sequence 0..7
    std::uint16_t tid = 0;
    UserBytes userBytes{};
    std::vector<std::uint8_t> data;

    static AtpPacket request(std::uint16_t tid, std::uint8_t bitmap, AtpPayload payload, bool exactlyOnce = false,
                             ReleaseTimeout timeout = ReleaseTimeout::Seconds30);
    static AtpPacket response(std::uint16_t tid, std::uint8_t sequence, AtpPayload payload, bool endOfMessage);
    static AtpPacket release(std::uint16_t tid, std::uint8_t bitmap = 0);

    // Rejects fewer than 8 bytes, function 00, data over 578 bytes and a TResp sequence above 7.
    static std::optional<AtpPacket> parse(std::span<const std::uint8_t> bytes);
    // Empty when the data exceeds 578 bytes, the timeout indicator is over 3 bits or a TResp
    // sequence is above 7.
    std::vector<std::uint8_t> serialize() const;

    std::uint8_t controlByte() const;
    AtpPayload payload() const { return AtpPayload{userBytes, data}; }
    // The timeout indicator as a duration; nullopt for the reserved values 5..7.
    std::optional<std::chrono::seconds> releaseTimeout() const;

    bool operator==(const AtpPacket&) const = default;
};

} // namespace appletalk::atp
