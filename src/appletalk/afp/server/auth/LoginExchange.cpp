// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/auth/LoginExchange.h"

#include "appletalk/afp/server/auth/AuthCrypto.h"
#include "appletalk/afp/server/auth/Secret.h"
#include "appletalk/afp/server/auth/UamKeys.h"
#include "appletalk/protocols/afp/AfpResult.h"

#include <algorithm>

namespace appletalk::afp {

namespace {

LoginOutcome answer(AfpResult result) { return LoginOutcome{static_cast<std::int32_t>(result), {}, {}, false}; }

// Who a named login claims to be. An unknown user gets a random password nobody can know,
// so the exchange runs exactly as for a known one and fails only at the end.
struct Claimant {
    std::string user; // the file's spelling
    Wiped<std::string> password;
    bool known = false;
};

std::unique_ptr<Claimant> identify(const UserFile& users, std::string_view user) {
    auto claimant = std::make_unique<Claimant>();
    if (auto password = users.password(user)) {
        claimant->user = users.userName(user).value_or(std::string(user));
        claimant->password.get() = std::move(*password);
        claimant->known = true;
    } else {
        claimant->password.get().resize(UserFile::kMaxPasswordBytes);
        crypto::randomize(std::span(reinterpret_cast<std::uint8_t*>(claimant->password.get().data()),
                                    claimant->password.get().size()));
    }
    return claimant;
}

// Compares what the client proved against the claimant's password: only a known user with
// the right bytes passes.
LoginOutcome judge(const Claimant& claimant, bool matched, std::vector<std::uint8_t> reply = {}) {
    if (!matched || !claimant.known) return answer(AfpResult::UserNotAuth);
    LoginOutcome outcome = answer(AfpResult::NoErr);
    outcome.user = claimant.user;
    outcome.reply = std::move(reply);
    return outcome;
}

std::uint16_t newContinuationId() {
    std::array<std::uint8_t, 2> bytes{};
    crypto::randomize(bytes);
    return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

void appendId(std::vector<std::uint8_t>& reply, std::uint16_t id) {
    reply.push_back(static_cast<std::uint8_t>(id >> 8));
    reply.push_back(static_cast<std::uint8_t>(id & 0xFF));
}

// One exchange, one answer: the first LoginCont ends it whatever it carries.
class ContinuedExchange : public LoginExchange {
public:
    LoginOutcome proceed(std::uint16_t id, std::span<const std::uint8_t> data) final {
        if (finished_) return answer(AfpResult::MiscErr);
        finished_ = true;
        if (id != id_ || data.size() != expectedBytes()) return answer(AfpResult::ParamErr);
        return finish(data);
    }

protected:
    explicit ContinuedExchange(std::unique_ptr<Claimant> claimant)
        : claimant_(std::move(claimant)), id_(newContinuationId()) {}
    virtual std::size_t expectedBytes() const = 0;
    virtual LoginOutcome finish(std::span<const std::uint8_t> data) = 0;

    std::unique_ptr<Claimant> claimant_;
    const std::uint16_t id_;

private:
    bool finished_ = false;
};

// Randnum Exchange and 2-Way Randnum: the server's 8 random bytes come back DES-encrypted under
// the password; 2-Way adds the client's own 8 bytes for the server to encrypt in turn.
class RandnumExchange final : public ContinuedExchange {
public:
    RandnumExchange(Uam uam, std::unique_ptr<Claimant> claimant)
        : ContinuedExchange(std::move(claimant)), uam_(uam), key_(uam::randnumKey(uam, claimant_->password.get())) {
        crypto::randomize(challenge_);
    }
    ~RandnumExchange() override {
        wipe(key_);
        wipe(challenge_);
    }
    std::vector<std::uint8_t> loginReply() const {
        std::vector<std::uint8_t> reply;
        appendId(reply, id_);
        reply.insert(reply.end(), challenge_.begin(), challenge_.end());
        return reply;
    }

private:
    std::size_t expectedBytes() const override {
        return uam_ == Uam::TwoWayRandnum ? 2 * uam::kRandomBytes : uam::kRandomBytes;
    }
    LoginOutcome finish(std::span<const std::uint8_t> data) override {
        const auto expected = crypto::desEncrypt(key_, challenge_);
        if (!expected) return answer(AfpResult::MiscErr);
        const bool matched = crypto::equalInConstantTime(*expected, data.first(uam::kRandomBytes));
        if (uam_ != Uam::TwoWayRandnum || !matched || !claimant_->known) return judge(*claimant_, matched);
        crypto::Block8 clientRandom{};
        std::copy_n(data.begin() + uam::kRandomBytes, uam::kRandomBytes, clientRandom.begin());
        const auto proof = crypto::desEncrypt(key_, clientRandom);
        if (!proof) return answer(AfpResult::MiscErr);
        return judge(*claimant_, true, std::vector<std::uint8_t>(proof->begin(), proof->end()));
    }

    const Uam uam_;
    crypto::Block8 key_;
    crypto::Block8 challenge_{};
};

// DHCAST128: a Diffie-Hellman key K over the 128-bit group, the server's nonce sent under
// CAST-128 with K, and the client's nonce + 1 and password sent back the same way.
class DhcastExchange final : public ContinuedExchange {
public:
    explicit DhcastExchange(std::unique_ptr<Claimant> claimant) : ContinuedExchange(std::move(claimant)) {}
    ~DhcastExchange() override {
        wipe(key_);
        wipe(nonce_);
    }
    // The Login reply for the client's public value, or nothing when the crypto library fails.
    std::optional<std::vector<std::uint8_t>> start(std::span<const std::uint8_t> clientPublic) {
        std::vector<std::uint8_t> secret(uam::kDhcastNumberBytes);
        crypto::randomize(secret);
        const std::array<std::uint8_t, 1> generator{uam::kDhcastGenerator};
        auto serverPublic = crypto::modPow(generator, secret, uam::kDhcastPrime);
        auto key = crypto::modPow(clientPublic, secret, uam::kDhcastPrime);
        wipe(secret);
        if (!serverPublic || !key) return std::nullopt;
        std::copy(key->begin(), key->end(), key_.begin());
        wipe(*key);
        nonce_.resize(uam::kDhcastNumberBytes);
        crypto::randomize(nonce_);
        std::vector<std::uint8_t> block(uam::kDhcastServerBlockBytes, 0);
        std::copy(nonce_.begin(), nonce_.end(), block.begin());
        auto sealed = crypto::cast128Cbc(true, key_, uam::kDhcastServerIv, block);
        wipe(block);
        if (!sealed) return std::nullopt;
        std::vector<std::uint8_t> reply;
        appendId(reply, id_);
        reply.insert(reply.end(), serverPublic->begin(), serverPublic->end());
        reply.insert(reply.end(), sealed->begin(), sealed->end());
        return reply;
    }

private:
    std::size_t expectedBytes() const override { return uam::kDhcastClientBlockBytes; }
    LoginOutcome finish(std::span<const std::uint8_t> data) override {
        auto opened = crypto::cast128Cbc(false, key_, uam::kDhcastClientIv, data);
        if (!opened) return answer(AfpResult::MiscErr);
        Wiped<std::vector<std::uint8_t>> block(std::move(*opened));
        auto expectedNonce = nonce_;
        uam::incrementNonce(expectedNonce);
        const auto proved = std::span<const std::uint8_t>(block.get());
        // A wrong nonce means another key or a replay: refused like a wrong password.
        const bool nonceMatched = crypto::equalInConstantTime(expectedNonce, proved.first(uam::kDhcastNumberBytes));
        Wiped<std::vector<std::uint8_t>> expectedPassword(
            uam::paddedPassword(claimant_->password.get(), uam::kDhcastPasswordBytes));
        const bool passwordMatched =
            crypto::equalInConstantTime(expectedPassword.get(), proved.subspan(uam::kDhcastNumberBytes));
        return judge(*claimant_, nonceMatched && passwordMatched);
    }

    std::array<std::uint8_t, uam::kDhcastNumberBytes> key_{};
    std::vector<std::uint8_t> nonce_;
};

LoginOutcome cleartext(const UserFile& users, const UamUserField& field, std::span<const std::uint8_t> uamData) {
    if (uamData.size() < field.fieldsOffset + uam::kCleartextPasswordBytes) return answer(AfpResult::ParamErr);
    const auto claimant = identify(users, field.user);
    Wiped<std::vector<std::uint8_t>> expected(
        uam::paddedPassword(claimant->password.get(), uam::kCleartextPasswordBytes));
    const bool matched =
        crypto::equalInConstantTime(expected.get(), uamData.subspan(field.fieldsOffset, uam::kCleartextPasswordBytes));
    return judge(*claimant, matched);
}

LoginOutcome continued(std::vector<std::uint8_t> reply, std::unique_ptr<LoginExchange> exchange,
                       std::unique_ptr<LoginExchange>& continuation) {
    LoginOutcome outcome = answer(AfpResult::AuthContinue);
    outcome.reply = std::move(reply);
    continuation = std::move(exchange);
    return outcome;
}

} // namespace

std::vector<std::string> offeredUams(const LoginPolicy& policy) {
    std::vector<std::string> names;
    if (policy.users != nullptr) {
        for (const Uam uam : {Uam::Dhcast128, Uam::TwoWayRandnum, Uam::RandnumExchange})
            names.emplace_back(uamName(uam));
        if (policy.cleartextAllowed) names.emplace_back(uamName(Uam::Cleartext));
    }
    if (policy.guestAllowed) names.emplace_back(uamName(Uam::NoUserAuthent));
    return names;
}

LoginOutcome LoginExchange::begin(const LoginPolicy& policy, Uam uam, std::span<const std::uint8_t> uamData,
                                  std::size_t offsetInBlock, std::unique_ptr<LoginExchange>& continuation) {
    continuation.reset();
    if (uam == Uam::NoUserAuthent) {
        if (!policy.guestAllowed) return answer(AfpResult::BadUAM);
        LoginOutcome outcome = answer(AfpResult::NoErr);
        outcome.guest = true;
        return outcome;
    }
    if (policy.users == nullptr || (uam == Uam::Cleartext && !policy.cleartextAllowed))
        return answer(AfpResult::BadUAM);
    const auto field = readUamUser(uamData, offsetInBlock);
    if (!field) return answer(AfpResult::ParamErr);
    switch (uam) {
    case Uam::Cleartext: return cleartext(*policy.users, *field, uamData);
    case Uam::RandnumExchange:
    case Uam::TwoWayRandnum: {
        auto exchange = std::make_unique<RandnumExchange>(uam, identify(*policy.users, field->user));
        auto reply = exchange->loginReply();
        return continued(std::move(reply), std::move(exchange), continuation);
    }
    case Uam::Dhcast128: {
        if (uamData.size() < field->fieldsOffset + uam::kDhcastNumberBytes) return answer(AfpResult::ParamErr);
        const auto clientPublic = uamData.subspan(field->fieldsOffset, uam::kDhcastNumberBytes);
        if (!uam::usablePublicValue(clientPublic)) return answer(AfpResult::ParamErr);
        auto exchange = std::make_unique<DhcastExchange>(identify(*policy.users, field->user));
        auto reply = exchange->start(clientPublic);
        if (!reply) return answer(AfpResult::MiscErr);
        return continued(std::move(*reply), std::move(exchange), continuation);
    }
    case Uam::NoUserAuthent: break;
    }
    return answer(AfpResult::BadUAM);
}

} // namespace appletalk::afp
