// SPDX-License-Identifier: MIT
// Logins from both halves: the server's exchanges against UamClient, the random-number keys
// against the DES standard's own vector, and DHCAST128 against a client computed here with
// libgcrypt's primitives alone.
#include "appletalk/afp/server/auth/AuthCrypto.h"
#include "appletalk/afp/server/auth/LoginExchange.h"
#include "appletalk/afp/server/auth/UamClient.h"
#include "appletalk/protocols/afp/AfpResult.h"

#include "support/TempProfileDir.h"

#include <gcrypt.h>
#include <gtest/gtest.h>

#include <cctype>
#include <set>

namespace appletalk::afp {
namespace {

constexpr auto kNoErr = static_cast<std::int32_t>(AfpResult::NoErr);
constexpr auto kAuthContinue = static_cast<std::int32_t>(AfpResult::AuthContinue);
constexpr auto kUserNotAuth = static_cast<std::int32_t>(AfpResult::UserNotAuth);
constexpr auto kBadUam = static_cast<std::int32_t>(AfpResult::BadUAM);
constexpr auto kParamErr = static_cast<std::int32_t>(AfpResult::ParamErr);
// Where the UAM data starts in the Login block depends on the UAM name's length: odd for
// some, even for others. The tests use both.
constexpr std::size_t kOffset = 35;

class Users {
public:
    Users() {
        std::string problem;
        const auto path = folder_.path() / "users";
        // "\x83" is É in Mac OS Roman: the name is matched as é ("\x8e") too.
        EXPECT_TRUE(UserFile::store(path, "Ren\x83", "pass8byt", problem)) << problem;
        EXPECT_TRUE(UserFile::store(path, "bob", "x", problem)) << problem;
        file_ = UserFile::load(path, problem);
        EXPECT_TRUE(file_) << problem;
    }
    const UserFile* get() const { return &*file_; }

private:
    TempProfileDir folder_;
    std::optional<UserFile> file_;
};

struct Result {
    std::int32_t loginResult = 0;
    std::size_t loginReplyBytes = 0;
    LoginOutcome last;
    bool serverVerified = false;
};

// A whole login: Login, then the LoginCont the client answers with when asked.
Result login(const LoginPolicy& policy, Uam uam, const std::string& user, const std::string& password,
             std::size_t offset = kOffset) {
    UamClient client(uam, user, password);
    std::string problem;
    const auto data = client.loginData(offset, problem);
    EXPECT_TRUE(data) << problem;
    std::unique_ptr<LoginExchange> continuation;
    Result result;
    result.last = LoginExchange::begin(policy, uam, *data, offset, continuation);
    result.loginResult = result.last.result;
    result.loginReplyBytes = result.last.reply.size();
    if (result.last.result == kAuthContinue) {
        EXPECT_TRUE(continuation);
        const auto answer = client.answer(result.last.reply);
        EXPECT_TRUE(answer);
        result.last = continuation->proceed(answer->id, answer->data);
    }
    result.serverVerified = client.serverVerified(result.last.reply);
    return result;
}

class EveryNamedUam : public ::testing::TestWithParam<Uam> {
protected:
    Users users_;
    LoginPolicy policy_{true, true, users_.get()};
};

TEST_P(EveryNamedUam, RightPasswordLogsInAndWrongOrUnknownLookAlike) {
    for (const std::size_t offset : {kOffset, kOffset + 1}) {
        const auto good = login(policy_, GetParam(), "ren\x8e", "pass8byt", offset);
        EXPECT_EQ(good.last.result, kNoErr);
        EXPECT_EQ(good.last.user, "Ren\x83");
        EXPECT_FALSE(good.last.guest);
        EXPECT_TRUE(good.serverVerified);
    }
    const auto wrong = login(policy_, GetParam(), "Ren\x83", "pass8byT");
    const auto unknown = login(policy_, GetParam(), "mallory", "pass8byt");
    const auto prefix = login(policy_, GetParam(), "bob", "xx");
    for (const auto& failed : {wrong, unknown, prefix}) {
        EXPECT_EQ(failed.last.result, kUserNotAuth);
        EXPECT_TRUE(failed.last.reply.empty());
        EXPECT_TRUE(failed.last.user.empty());
    }
    // Nothing in the Login's answer tells an unknown user from a known one.
    EXPECT_EQ(unknown.loginResult, wrong.loginResult);
    EXPECT_EQ(unknown.loginReplyBytes, wrong.loginReplyBytes);
}

std::string uamTestName(const ::testing::TestParamInfo<Uam>& info) {
    std::string name;
    for (const char c : uamName(info.param))
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    return name;
}

INSTANTIATE_TEST_SUITE_P(Uams, EveryNamedUam,
                         ::testing::Values(Uam::Cleartext, Uam::RandnumExchange, Uam::TwoWayRandnum, Uam::Dhcast128),
                         uamTestName);

class ContinuedUam : public EveryNamedUam {};

TEST_P(ContinuedUam, LoginContOfAnotherIdOrLengthIsRefusedAndEndsTheExchange) {
    UamClient client(GetParam(), "bob", "x");
    std::string problem;
    const auto data = client.loginData(kOffset, problem);
    std::unique_ptr<LoginExchange> exchange;
    const auto first = LoginExchange::begin(policy_, GetParam(), *data, kOffset, exchange);
    ASSERT_EQ(first.result, kAuthContinue);
    const auto answer = client.answer(first.reply);
    ASSERT_TRUE(answer);
    EXPECT_EQ(exchange->proceed(static_cast<std::uint16_t>(answer->id + 1), answer->data).result, kParamErr);
    // The right answer after a wrong one does not log in: each exchange has one try.
    EXPECT_NE(exchange->proceed(answer->id, answer->data).result, kNoErr);

    LoginExchange::begin(policy_, GetParam(), *data, kOffset, exchange);
    auto shortAnswer = std::vector<std::uint8_t>(7, 0);
    EXPECT_EQ(exchange->proceed(0, shortAnswer).result, kParamErr);
}

TEST_P(ContinuedUam, ContinuationIdsDifferPerExchange) {
    std::set<std::uint16_t> ids;
    for (int i = 0; i < 8; ++i) {
        UamClient client(GetParam(), "bob", "x");
        std::string problem;
        const auto data = client.loginData(kOffset, problem);
        std::unique_ptr<LoginExchange> exchange;
        const auto outcome = LoginExchange::begin(policy_, GetParam(), *data, kOffset, exchange);
        ASSERT_GE(outcome.reply.size(), 2u);
        ids.insert(static_cast<std::uint16_t>((outcome.reply[0] << 8) | outcome.reply[1]));
    }
    EXPECT_GT(ids.size(), 4u); // 8 draws of 16 bits: a repeat or two at the very most
}

INSTANTIATE_TEST_SUITE_P(Uams, ContinuedUam,
                         ::testing::Values(Uam::RandnumExchange, Uam::TwoWayRandnum, Uam::Dhcast128), uamTestName);

TEST(LoginPolicyTest, GuestAndCleartextOnlyWhenAllowed) {
    Users users;
    std::unique_ptr<LoginExchange> exchange;
    const LoginPolicy strict{false, false, users.get()};
    EXPECT_EQ(login(strict, Uam::NoUserAuthent, "", "").last.result, kBadUam);
    EXPECT_EQ(login(strict, Uam::Cleartext, "bob", "x").last.result, kBadUam);
    EXPECT_EQ(login(strict, Uam::RandnumExchange, "bob", "x").last.result, kNoErr);
    EXPECT_EQ(offeredUams(strict),
              (std::vector<std::string>{"DHCAST128", "2-Way Randnum Exchange", "Randnum Exchange"}));

    const LoginPolicy guestsOnly{true, true, nullptr};
    const auto guest = login(guestsOnly, Uam::NoUserAuthent, "", "");
    EXPECT_EQ(guest.last.result, kNoErr);
    EXPECT_TRUE(guest.last.guest);
    EXPECT_EQ(login(guestsOnly, Uam::Dhcast128, "bob", "x").last.result, kBadUam);
    EXPECT_EQ(offeredUams(guestsOnly), std::vector<std::string>{"No User Authent"});
    EXPECT_EQ(uamFromName("cleartxt passwrd"), Uam::Cleartext);
    EXPECT_FALSE(uamFromName("DHX2"));

    const std::vector<std::uint8_t> truncated{5, 'b', 'o'};
    EXPECT_EQ(LoginExchange::begin(strict, Uam::Dhcast128, truncated, 0, exchange).result, kParamErr);
    EXPECT_FALSE(exchange);
}

// The DES standard's example (key 0123456789ABCDEF, "Now is t" -> 3FA40E8A984D4815) through
// both random-number UAMs: Randnum takes the password as the key; 2-Way shifts each byte left
// one bit, so 00 11 22 .. 77 makes the same key up to the parity bits DES ignores.
TEST(RandnumKeysTest, MeetTheDesStandardsVector) {
    const std::vector<std::uint8_t> reply{0x12, 0x34, 'N', 'o', 'w', ' ', 'i', 's', ' ', 't'};
    const std::vector<std::uint8_t> expected{0x3F, 0xA4, 0x0E, 0x8A, 0x98, 0x4D, 0x48, 0x15};
    UamClient randnum(Uam::RandnumExchange, "u", "\x01\x23\x45\x67\x89\xAB\xCD\xEF");
    const auto answer = randnum.answer(reply);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->id, 0x1234);
    EXPECT_EQ(answer->data, expected);
    UamClient twoWay(Uam::TwoWayRandnum, "u", std::string("\x00\x11\x22\x33\x44\x55\x66\x77", 8));
    const auto twoWayAnswer = twoWay.answer(reply);
    ASSERT_TRUE(twoWayAnswer);
    ASSERT_EQ(twoWayAnswer->data.size(), 16u);
    EXPECT_EQ(std::vector<std::uint8_t>(twoWayAnswer->data.begin(), twoWayAnswer->data.begin() + 8), expected);
    // A password that makes one of DES's weak keys still logs in.
    EXPECT_TRUE(UamClient(Uam::RandnumExchange, "u", "\x01\x01\x01\x01\x01\x01\x01\x01").answer(reply));
}

// An independent DHCAST128 client: libgcrypt's MPIs and CAST5 used directly.
class IndependentDhcast {
public:
    static std::vector<std::uint8_t> power(std::span<const std::uint8_t> base, std::span<const std::uint8_t> exponent) {
        static const std::uint8_t prime[] = {0xBA, 0x28, 0x73, 0xDF, 0xB0, 0x60, 0x57, 0xD4,
                                             0x3F, 0x20, 0x24, 0x74, 0x4C, 0xEE, 0xE7, 0x5B};
        gcry_mpi_t b = nullptr, e = nullptr, p = nullptr;
        gcry_mpi_scan(&b, GCRYMPI_FMT_USG, base.data(), base.size(), nullptr);
        gcry_mpi_scan(&e, GCRYMPI_FMT_USG, exponent.data(), exponent.size(), nullptr);
        gcry_mpi_scan(&p, GCRYMPI_FMT_USG, prime, sizeof prime, nullptr);
        gcry_mpi_t r = gcry_mpi_new(128);
        gcry_mpi_powm(r, b, e, p);
        std::vector<std::uint8_t> out(16, 0);
        std::size_t n = 0;
        unsigned char buffer[16];
        gcry_mpi_print(GCRYMPI_FMT_USG, buffer, sizeof buffer, &n, r);
        std::copy(buffer, buffer + n, out.end() - static_cast<std::ptrdiff_t>(n));
        for (auto mpi : {b, e, p, r}) gcry_mpi_release(mpi);
        return out;
    }
    static std::vector<std::uint8_t> cast(bool encrypt, std::span<const std::uint8_t> key, const char* iv,
                                          std::span<const std::uint8_t> data) {
        gcry_cipher_hd_t handle = nullptr;
        gcry_cipher_open(&handle, GCRY_CIPHER_CAST5, GCRY_CIPHER_MODE_CBC, 0);
        gcry_cipher_setkey(handle, key.data(), key.size());
        gcry_cipher_setiv(handle, iv, 8);
        std::vector<std::uint8_t> out(data.size());
        if (encrypt)
            gcry_cipher_encrypt(handle, out.data(), out.size(), data.data(), data.size());
        else
            gcry_cipher_decrypt(handle, out.data(), out.size(), data.data(), data.size());
        gcry_cipher_close(handle);
        return out;
    }
};

TEST(DhcastTest, ServerMeetsAClientComputedFromTheDocumentsFacts) {
    crypto::initialise();
    Users users;
    const LoginPolicy policy{false, false, users.get()};
    const std::vector<std::uint8_t> secret{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                                           0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};
    const std::vector<std::uint8_t> generator{7};
    const auto clientPublic = IndependentDhcast::power(generator, secret);
    // "bob" as a Pascal string at offset 1 of the block ends at 5: a pad byte, then Ma.
    std::vector<std::uint8_t> data{3, 'b', 'o', 'b'};
    data.push_back(0);
    data.insert(data.end(), clientPublic.begin(), clientPublic.end());

    for (const bool rightNonce : {true, false}) {
        std::unique_ptr<LoginExchange> exchange;
        const auto first = LoginExchange::begin(policy, Uam::Dhcast128, data, 1, exchange);
        ASSERT_EQ(first.result, kAuthContinue);
        ASSERT_EQ(first.reply.size(), 2u + 16u + 32u);
        const auto reply = std::span<const std::uint8_t>(first.reply);
        const auto key = IndependentDhcast::power(reply.subspan(2, 16), secret);
        auto block = IndependentDhcast::cast(false, key, "CJalbert", reply.subspan(18));
        EXPECT_EQ(std::vector<std::uint8_t>(block.begin() + 16, block.end()), std::vector<std::uint8_t>(16, 0));
        std::vector<std::uint8_t> answer(block.begin(), block.begin() + 16);
        if (rightNonce)
            for (int i = 15; i >= 0 && ++answer[static_cast<std::size_t>(i)] == 0; --i) {}
        answer.resize(16 + 64, 0);
        answer[16] = 'x';
        const auto sealed = IndependentDhcast::cast(true, key, "LWallace", answer);
        const auto outcome = exchange->proceed(static_cast<std::uint16_t>((reply[0] << 8) | reply[1]), sealed);
        EXPECT_EQ(outcome.result, rightNonce ? kNoErr : kUserNotAuth);
    }
    // A public value that would fix the key is refused outright.
    std::vector<std::uint8_t> one(data.begin(), data.begin() + 5);
    one.resize(5 + 16, 0);
    one.back() = 1;
    std::unique_ptr<LoginExchange> exchange;
    EXPECT_EQ(LoginExchange::begin(policy, Uam::Dhcast128, one, 1, exchange).result, kParamErr);
}

} // namespace
} // namespace appletalk::afp
