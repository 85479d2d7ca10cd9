// SPDX-License-Identifier: MIT
// The server's half of an AFP login: which UAMs it offers, the Login answered at once (guest,
// cleartext) or with a challenge, and the LoginCont that finishes the random-number and
// Diffie-Hellman exchanges. A failed login says UserNotAuth whether or not the user exists.
#pragma once

#include "appletalk/afp/server/auth/Uam.h"
#include "appletalk/afp/server/auth/UserFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace appletalk::afp {

struct LoginPolicy {
    bool guestAllowed = true;
    bool cleartextAllowed = false;
    const UserFile* users = nullptr; // null: no named users
};

// The UAM names to announce in the status block, in the order a client should prefer them.
std::vector<std::string> offeredUams(const LoginPolicy& policy);

struct LoginOutcome {
    std::int32_t result = 0; // AfpResult: NoErr (logged in), AuthContinue, UserNotAuth, BadUAM, ParamErr, MiscErr
    std::vector<std::uint8_t> reply; // the Login or LoginCont reply data
    std::string user; // who logged in, when result is NoErr (empty for a guest)
    bool guest = false;
};

class LoginExchange {
public:
    // Login: `uamData` are the block's bytes after the UAM string (user name and the UAM's own
    // fields); `offsetInBlock` is uamData[0]'s offset in the command block (for the even pad).
    // When the UAM needs a LoginCont, `continuation` is set and the result is AuthContinue.
    static LoginOutcome begin(const LoginPolicy& policy, Uam uam, std::span<const std::uint8_t> uamData,
                              std::size_t offsetInBlock, std::unique_ptr<LoginExchange>& continuation);
    // LoginCont: `id` is its ID field, `data` the bytes after it. Every answer ends the
    // exchange: the caller drops it whatever the result.
    virtual LoginOutcome proceed(std::uint16_t id, std::span<const std::uint8_t> data) = 0;
    virtual ~LoginExchange() = default;
};

} // namespace appletalk::afp
