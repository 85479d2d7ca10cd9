// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/auth/UamClient.h"

#include "appletalk/afp/server/auth/UamKeys.h"

#include <algorithm>

namespace appletalk::afp {

namespace {

std::uint16_t readId(std::span<const std::uint8_t> reply) {
    return static_cast<std::uint16_t>((reply[0] << 8) | reply[1]);
}

} // namespace

UamClient::UamClient(Uam uam, std::string user, std::string password)
    : uam_(uam), user_(std::move(user)), password_(std::move(password)) {}

UamClient::~UamClient() {
    wipe(secret_);
    wipe(clientRandom_);
}

std::size_t UamClient::maxPasswordBytes(Uam uam) {
    switch (uam) {
    case Uam::NoUserAuthent: return 0;
    case Uam::Dhcast128: return uam::kDhcastPasswordBytes;
    case Uam::Cleartext:
    case Uam::RandnumExchange:
    case Uam::TwoWayRandnum: break;
    }
    return uam::kCleartextPasswordBytes;
}

std::optional<std::vector<std::uint8_t>> UamClient::loginData(std::size_t offsetInBlock, std::string& problem) {
    std::vector<std::uint8_t> data;
    if (uam_ == Uam::NoUserAuthent) return data;
    if (password_.get().size() > maxPasswordBytes(uam_)) {
        problem = std::string(uamName(uam_)) + " carries at most " + std::to_string(maxPasswordBytes(uam_)) +
                  " bytes of password";
        return std::nullopt;
    }
    if (user_.size() > 255) {
        problem = "the user name is longer than 255 bytes";
        return std::nullopt;
    }
    appendUamUser(data, user_, offsetInBlock);
    if (uam_ == Uam::Cleartext) {
        Wiped<std::vector<std::uint8_t>> padded(uam::paddedPassword(password_.get(), uam::kCleartextPasswordBytes));
        data.insert(data.end(), padded.get().begin(), padded.get().end());
    } else if (uam_ == Uam::Dhcast128) {
        secret_.assign(uam::kDhcastNumberBytes, 0);
        crypto::randomize(secret_);
        const std::array<std::uint8_t, 1> generator{uam::kDhcastGenerator};
        const auto clientPublic = crypto::modPow(generator, secret_, uam::kDhcastPrime);
        if (!clientPublic) {
            problem = "the crypto library failed";
            return std::nullopt;
        }
        data.insert(data.end(), clientPublic->begin(), clientPublic->end());
    }
    return data;
}

std::optional<UamClient::Continuation> UamClient::answer(std::span<const std::uint8_t> loginReply) {
    if (uam_ == Uam::RandnumExchange || uam_ == Uam::TwoWayRandnum) return answerRandnum(loginReply);
    if (uam_ == Uam::Dhcast128) return answerDhcast(loginReply);
    return std::nullopt;
}

std::optional<UamClient::Continuation> UamClient::answerRandnum(std::span<const std::uint8_t> reply) {
    if (reply.size() != uam::kIdBytes + uam::kRandomBytes) return std::nullopt;
    crypto::Block8 challenge{};
    std::copy_n(reply.begin() + uam::kIdBytes, challenge.size(), challenge.begin());
    auto key = uam::randnumKey(uam_, password_.get());
    const auto encrypted = crypto::desEncrypt(key, challenge);
    wipe(key);
    if (!encrypted) return std::nullopt;
    Continuation continuation{readId(reply), {encrypted->begin(), encrypted->end()}};
    if (uam_ == Uam::TwoWayRandnum) {
        crypto::randomize(clientRandom_);
        continuation.data.insert(continuation.data.end(), clientRandom_.begin(), clientRandom_.end());
    }
    return continuation;
}

std::optional<UamClient::Continuation> UamClient::answerDhcast(std::span<const std::uint8_t> reply) {
    constexpr std::size_t kExpected = uam::kIdBytes + uam::kDhcastNumberBytes + uam::kDhcastServerBlockBytes;
    if (reply.size() != kExpected || secret_.empty()) return std::nullopt;
    const auto serverPublic = reply.subspan(uam::kIdBytes, uam::kDhcastNumberBytes);
    if (!uam::usablePublicValue(serverPublic)) return std::nullopt;
    auto agreed = crypto::modPow(serverPublic, secret_, uam::kDhcastPrime);
    wipe(secret_);
    if (!agreed) return std::nullopt;
    Wiped<std::vector<std::uint8_t>> key(std::move(*agreed));
    const std::span<const std::uint8_t, 16> keySpan(key.get().data(), uam::kDhcastNumberBytes);
    auto opened = crypto::cast128Cbc(false, keySpan, uam::kDhcastServerIv,
                                     reply.subspan(uam::kIdBytes + uam::kDhcastNumberBytes));
    if (!opened) return std::nullopt;
    Wiped<std::vector<std::uint8_t>> block(std::move(*opened));
    const auto signature = std::span<const std::uint8_t>(block.get()).subspan(uam::kDhcastNumberBytes);
    if (std::any_of(signature.begin(), signature.end(), [](std::uint8_t b) { return b != 0; })) return std::nullopt;

    Wiped<std::vector<std::uint8_t>> answerBlock(std::vector<std::uint8_t>(
        block.get().begin(), block.get().begin() + static_cast<std::ptrdiff_t>(uam::kDhcastNumberBytes)));
    uam::incrementNonce(answerBlock.get());
    const Wiped<std::vector<std::uint8_t>> password(uam::paddedPassword(password_.get(), uam::kDhcastPasswordBytes));
    answerBlock.get().insert(answerBlock.get().end(), password.get().begin(), password.get().end());
    auto sealed = crypto::cast128Cbc(true, keySpan, uam::kDhcastClientIv, answerBlock.get());
    if (!sealed) return std::nullopt;
    return Continuation{readId(reply), std::move(*sealed)};
}

bool UamClient::serverVerified(std::span<const std::uint8_t> loginContReply) const {
    if (uam_ != Uam::TwoWayRandnum) return true;
    if (loginContReply.size() != uam::kRandomBytes) return false;
    auto key = uam::randnumKey(uam_, password_.get());
    const auto expected = crypto::desEncrypt(key, clientRandom_);
    wipe(key);
    return expected && crypto::equalInConstantTime(*expected, loginContReply);
}

} // namespace appletalk::afp
