// SPDX-License-Identifier: MIT
// The user bytes of the reply to Command and to Write: the command result, a signed 32-bit
// word the session's upper protocol gives meaning to (an AFP result code). The reply's data
// is the command reply, at most kQuantumSize bytes across the transaction's packets. The
// replies to GetStatus, WriteContinue, Attention, Tickle and CloseSess carry zero user bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "appletalk/protocols/atp/AtpPayload.h"

namespace appletalk::asp {

struct AspCmdResult {
    std::int32_t result = 0;

    static std::optional<AspCmdResult> parse(std::span<const std::uint8_t> userBytes);
    atp::UserBytes serialize() const;

    bool operator==(const AspCmdResult&) const = default;
};

} // namespace appletalk::asp
