// SPDX-License-Identifier: MIT
// What went wrong with a server, in words for the user: an AFP result, the session layer's
// refusal to open a session (ASP's error codes, which DSI reuses), or a server's attention.
#pragma once

#include <cstdint>
#include <string>

namespace appletalk::afp {

std::string describeAfpResult(std::int32_t result);
std::string describeSessionRefusal(std::int32_t aspError);
// A server's attention code: a shutdown in so many minutes, going down at once, a message.
std::string describeAttention(std::uint16_t code);
// Whether the attention only says a message waits (fetched with GetSrvrMsg, then told).
bool attentionIsMessageOnly(std::uint16_t code);

} // namespace appletalk::afp
