// SPDX-License-Identifier: MIT
// The ATP user bytes of every ASP request: byte 0 the function, byte 1 the session id (the
// workstation session socket for OpenSess, 0 for GetStatus), bytes 2..3 a word: the ASP
// version (OpenSess), the sequence number (Command, Write, WriteContinue), the attention code
// (Attention), zero otherwise. The data of Command and Write is the command block, of
// WriteContinue the buffer size (AspWriteContinue); the others carry none.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "appletalk/protocols/asp/AspFunction.h"
#include "appletalk/protocols/atp/AtpPayload.h"

namespace appletalk::asp {

struct AspRequest {
    AspFunction function = AspFunction::GetStatus;
    std::uint8_t session = 0; // the session id, or the workstation socket for OpenSess
    std::uint16_t parameter = 0;

    static AspRequest openSess(std::uint8_t workstationSocket) {
        return {AspFunction::OpenSess, workstationSocket, kAspVersion};
    }
    static AspRequest getStatus() { return {AspFunction::GetStatus, 0, 0}; }
    static AspRequest command(std::uint8_t session, std::uint16_t sequence) {
        return {AspFunction::Command, session, sequence};
    }
    static AspRequest write(std::uint8_t session, std::uint16_t sequence) {
        return {AspFunction::Write, session, sequence};
    }
    static AspRequest writeContinue(std::uint8_t session, std::uint16_t sequence) {
        return {AspFunction::WriteContinue, session, sequence};
    }
    static AspRequest attention(std::uint8_t session, std::uint16_t code) {
        return {AspFunction::Attention, session, code};
    }
    static AspRequest tickle(std::uint8_t session) { return {AspFunction::Tickle, session, 0}; }
    static AspRequest closeSess(std::uint8_t session) { return {AspFunction::CloseSess, session, 0}; }

    std::uint16_t sequence() const { return parameter; }
    std::uint16_t version() const { return parameter; }
    std::uint16_t attentionCode() const { return parameter; }

    // Rejects user bytes of another size, a function outside 1..8 and an attention code of 0
    // (the protocol reserves it). Bytes 1..3 are otherwise kept as they came.
    static std::optional<AspRequest> parse(std::span<const std::uint8_t> userBytes);
    atp::UserBytes serialize() const;

    bool operator==(const AspRequest&) const = default;
};

} // namespace appletalk::asp
