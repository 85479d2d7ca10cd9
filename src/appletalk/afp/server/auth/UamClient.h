// SPDX-License-Identifier: MIT
// The client's half of an AFP login: the Login's UAM data for a user and password, the
// LoginCont that answers the server's challenge, and the check of the server where the UAM
// has one (2-Way Randnum proves the server knows the password; DHCAST128 that it holds the
// agreed key). For the AppleShare client and for the tests of the server.
#pragma once

#include "appletalk/afp/server/auth/AuthCrypto.h"
#include "appletalk/afp/server/auth/Secret.h"
#include "appletalk/afp/server/auth/Uam.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace appletalk::afp {

class UamClient {
public:
    // `user` and `password` are Mac OS Roman.
    UamClient(Uam uam, std::string user, std::string password);
    ~UamClient();
    UamClient(const UamClient&) = delete;
    UamClient& operator=(const UamClient&) = delete;

    // The longest password the UAM carries.
    static std::size_t maxPasswordBytes(Uam uam);

    // The Login's bytes after the UAM string; `offsetInBlock` is their offset in the command
    // block. Nothing, and why, when the password does not fit the UAM.
    std::optional<std::vector<std::uint8_t>> loginData(std::size_t offsetInBlock, std::string& problem);

    struct Continuation {
        std::uint16_t id = 0;
        std::vector<std::uint8_t> data; // the bytes after the ID
    };
    // Answers the Login's AuthContinue reply with the LoginCont's fields. Nothing when the
    // reply is malformed or, for DHCAST128, the server's block does not open to a signature of
    // zeros under the agreed key.
    std::optional<Continuation> answer(std::span<const std::uint8_t> loginReply);

    // After the login succeeded: whether the LoginCont reply proves the server (2-Way Randnum:
    // our random bytes under the password). True for the UAMs that prove nothing there.
    bool serverVerified(std::span<const std::uint8_t> loginContReply) const;

private:
    std::optional<Continuation> answerRandnum(std::span<const std::uint8_t> reply);
    std::optional<Continuation> answerDhcast(std::span<const std::uint8_t> reply);

    Uam uam_;
    std::string user_;
    Wiped<std::string> password_;
    crypto::Block8 clientRandom_{}; // 2-Way Randnum
    std::vector<std::uint8_t> secret_; // DHCAST128's exponent
};

} // namespace appletalk::afp
