// SPDX-License-Identifier: MIT
// The PAP header: the 4 ATP user bytes of every PAP packet. Byte 0 is the connection id (0
// for SendStatus/Status), byte 1 the function; bytes 2..3 are the SendData sequence number,
// the Data EOF flag (byte 2) and zero otherwise.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "appletalk/protocols/atp/AtpPayload.h"
#include "appletalk/protocols/pap/PapFunction.h"

namespace appletalk::pap {

struct PapHeader {
    std::uint8_t connectionId = 0;
    PapFunction function = PapFunction::SendStatus;
    std::uint16_t parameter = 0; // bytes 2..3 as a big-endian word

    static PapHeader openConn(std::uint8_t connectionId) { return {connectionId, PapFunction::OpenConn, 0}; }
    static PapHeader openConnReply(std::uint8_t connectionId) { return {connectionId, PapFunction::OpenConnReply, 0}; }
    static PapHeader sendData(std::uint8_t connectionId, std::uint16_t sequence) {
        return {connectionId, PapFunction::SendData, sequence};
    }
    static PapHeader data(std::uint8_t connectionId, bool endOfFile) {
        return {connectionId, PapFunction::Data, static_cast<std::uint16_t>(endOfFile ? 0x0100 : 0)};
    }
    static PapHeader tickle(std::uint8_t connectionId) { return {connectionId, PapFunction::Tickle, 0}; }
    static PapHeader closeConn(std::uint8_t connectionId) { return {connectionId, PapFunction::CloseConn, 0}; }
    static PapHeader closeConnReply(std::uint8_t connectionId) {
        return {connectionId, PapFunction::CloseConnReply, 0};
    }
    static PapHeader sendStatus() { return {0, PapFunction::SendStatus, 0}; }
    static PapHeader status() { return {0, PapFunction::Status, 0}; }

    std::uint16_t sequence() const { return parameter; } // SendData
    bool endOfFile() const { return (parameter >> 8) != 0; } // Data

    // Takes the 4 ATP user bytes; rejects another size or a function outside 1..9. Bytes
    // 2..3 are kept as they came, whatever the function.
    static std::optional<PapHeader> parse(std::span<const std::uint8_t> userBytes);
    atp::UserBytes serialize() const;

    bool operator==(const PapHeader&) const = default;
};

} // namespace appletalk::pap
