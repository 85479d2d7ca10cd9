// SPDX-License-Identifier: MIT
// What went wrong with a server, in words for the user: an AFP result, or the session
// layer's refusal to open a session (ASP's error codes, which DSI reuses).
#pragma once

#include <cstdint>
#include <string>

namespace appletalk::afp {

std::string describeAfpResult(std::int32_t result);
std::string describeSessionRefusal(std::int32_t aspError);

} // namespace appletalk::afp
