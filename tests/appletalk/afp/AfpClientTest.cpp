// SPDX-License-Identifier: MIT
// The client's choices from a server's status block, and its DSI transport against a peer
// on loopback that never answers, answers nonsense, or talks to an idle session.
#include "appletalk/afp/client/AfpClientSession.h"
#include "appletalk/afp/client/DsiClientTransport.h"
#include "appletalk/afp/client/LoginChoice.h"

#include <gtest/gtest.h>

#include <atomic>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace appletalk::afp {
namespace {

using namespace std::chrono_literals;

TEST(LoginChoice, TakesTheStrongestUamBothHaveAndCleartextOnlyWhenAllowed) {
    const std::vector<std::string> everything{"No User Authent", "Cleartxt Passwrd", "Randnum Exchange",
                                              "2-Way Randnum Exchange", "DHCAST128"};
    EXPECT_EQ(chooseUam(everything, true, false), Uam::Dhcast128);
    EXPECT_EQ(chooseUam(everything, false, false), Uam::NoUserAuthent);
    EXPECT_EQ(chooseUam({"Randnum Exchange", "2-way randnum exchange"}, true, false), Uam::TwoWayRandnum);
    EXPECT_EQ(chooseUam({"Cleartxt Passwrd", "Randnum Exchange"}, true, true), Uam::RandnumExchange);
    EXPECT_EQ(chooseUam({"Cleartxt Passwrd", "No User Authent"}, true, false), std::nullopt);
    EXPECT_EQ(chooseUam({"Cleartxt Passwrd"}, true, true), Uam::Cleartext);
    EXPECT_EQ(chooseUam({"DHCAST128"}, false, true), std::nullopt); // no guest offered
}

TEST(LoginChoice, TakesTheNewestVersionBothSpeak) {
    EXPECT_EQ(chooseAfpVersion({"AFPVersion 2.0", "AFP2.2", "AFPVersion 2.1"}), "AFP2.2");
    EXPECT_EQ(chooseAfpVersion({"AFPVersion 2.2", "AFPVersion 2.1"}), "AFPVersion 2.2");
    EXPECT_EQ(chooseAfpVersion({"AFPVersion 1.1", "AFPVersion 2.0"}), "AFPVersion 2.0");
    EXPECT_EQ(chooseAfpVersion({"AFP3.4", "AFPX03"}), std::nullopt);
}

// A peer on loopback that accepts the connection and then does what `behave` says.
class LoopbackPeer {
public:
    explicit LoopbackPeer(std::function<void(int)> behave) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        ::listen(listener_, 1);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, behave = std::move(behave)] {
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd < 0) return;
            behave(fd);
            // Held open until the client has given up, so only its own bound ends the wait.
            char byte = 0;
            while (::recv(fd, &byte, 1, 0) > 0) {}
            ::close(fd);
        });
    }
    ~LoopbackPeer() {
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
        ::close(listener_);
    }
    std::uint16_t port() const { return port_; }

private:
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

TEST(DsiClientTransport, ASilentServerOrANonsenseReplyIsAnErrorInWords) {
    {
        LoopbackPeer silent([](int) {});
        DsiClientTransport transport("127.0.0.1", silent.port(), {50ms, 10ms});
        AfpClientSession session(transport);
        std::string problem;
        EXPECT_FALSE(session.serverInfo(problem).has_value());
        EXPECT_EQ(problem, "the server stopped answering");
    }
    LoopbackPeer hostile([](int fd) {
        // A reply header claiming 4 GB of payload.
        const std::uint8_t header[16] = {1, 3, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
        ::send(fd, header, sizeof header, MSG_NOSIGNAL);
    });
    DsiClientTransport transport("127.0.0.1", hostile.port());
    std::string problem;
    EXPECT_FALSE(transport.open(problem));
    EXPECT_EQ(problem, "the server sent a malformed DSI message");
}

TEST(AfpClientSession, AFullServerOrOneTakingOnlyCleartextIsRefusedInWords) {
    LoopbackPeer full([](int fd) {
        std::uint8_t request[16 + 6] = {}; // OpenSession with the attention quantum option
        ::recv(fd, request, sizeof request, MSG_WAITALL);
        // Its reply: ASP's ServerBusy (-1071) as the error code.
        const std::uint8_t reply[16] = {1, 4, request[2], request[3], 0xFF, 0xFF, 0xFB, 0xD1, 0, 0, 0, 0, 0, 0, 0, 0};
        ::send(fd, reply, sizeof reply, MSG_NOSIGNAL);
    });
    DsiClientTransport transport("127.0.0.1", full.port());
    AfpClientSession session(transport);
    AfpServerInfo server;
    server.afpVersions = {"AFP2.2"};
    server.uams = {"No User Authent"};
    std::string problem;
    EXPECT_FALSE(session.login(server, {}, problem));
    EXPECT_EQ(problem, "the server is busy: too many users are connected");

    // Refused before anything is sent: the password is not offered to be read on the wire.
    server.uams = {"Cleartxt Passwrd"};
    EXPECT_FALSE(session.login(server, {"ada", "lovelace", false}, problem));
    EXPECT_EQ(problem, "the server takes only cleartext passwords; --allow-cleartext sends one");
    server.uams = {"Some Future UAM"};
    EXPECT_FALSE(session.login(server, {"ada", "lovelace", true}, problem));
    EXPECT_EQ(problem, "the server offers none of the ways to log in this client knows");
}

// A scripted DSI server: the session opened with a request quantum, then a tickle and an
// attention waiting while the client sits idle, and the session closed once the attention
// is answered.
TEST(DsiClientTransport, KeepAliveTakesInTheServersMessagesUntilItClosesTheSession) {
    using appletalk::dsi::DsiCommand;
    using appletalk::dsi::DsiHeader;
    const auto frame = [](const DsiHeader& header, std::vector<std::uint8_t> payload) {
        const auto head = header.serialize();
        payload.insert(payload.begin(), head.begin(), head.end());
        return payload;
    };
    std::atomic<bool> attentionAnswered = false;
    LoopbackPeer server([&](int fd) {
        std::array<std::uint8_t, appletalk::dsi::kHeaderSize + 6> open{}; // OpenSession with one option
        if (::recv(fd, open.data(), open.size(), MSG_WAITALL) != static_cast<ssize_t>(open.size())) return;
        const auto request = DsiHeader::parse(std::span(open).first<appletalk::dsi::kHeaderSize>());
        if (!request) return;
        auto burst = frame(DsiHeader::replyTo(*request, 0, 6), {0, 4, 0, 0, 0x20, 0});
        const auto tickle = frame(DsiHeader::request(DsiCommand::Tickle, 1, 0), {});
        const auto attention = frame(DsiHeader::request(DsiCommand::Attention, 2, 2), {0x80, 0x05});
        burst.insert(burst.end(), tickle.begin(), tickle.end());
        burst.insert(burst.end(), attention.begin(), attention.end());
        ::send(fd, burst.data(), burst.size(), MSG_NOSIGNAL);
        std::array<std::uint8_t, appletalk::dsi::kHeaderSize> answer{};
        if (::recv(fd, answer.data(), answer.size(), MSG_WAITALL) != static_cast<ssize_t>(answer.size())) return;
        const auto reply = DsiHeader::parse(answer);
        attentionAnswered = reply && reply->reply && reply->command == DsiCommand::Attention && reply->requestId == 2;
        const auto close = frame(DsiHeader::request(DsiCommand::CloseSession, 3, 0), {});
        ::send(fd, close.data(), close.size(), MSG_NOSIGNAL);
    });
    // No tickle falls due in the run: what goes out answers the server.
    DsiClientTransport transport("127.0.0.1", server.port(), {std::chrono::seconds(30), std::chrono::hours(1)});
    std::vector<std::uint16_t> attentions;
    transport.setAttentionHandler([&](std::uint16_t code) { attentions.push_back(code); });
    std::string problem;
    ASSERT_TRUE(transport.open(problem)) << problem;
    EXPECT_EQ(transport.transferLimit(), 0x2000u);
    while (transport.keepAlive(problem)) {}
    EXPECT_EQ(problem, "the server closed the session");
    EXPECT_TRUE(attentionAnswered);
    EXPECT_EQ(attentions, std::vector<std::uint16_t>{0x8005});
    EXPECT_FALSE(transport.keepAlive(problem));
}

} // namespace
} // namespace appletalk::afp
