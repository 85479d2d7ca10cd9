// SPDX-License-Identifier: MIT
// ASP sessions between a workstation and a server on an in-process wire, on virtual time:
// status, open, commands and writes (exactly once), attention, close, and the session
// timeout when either end goes away.
#include "support/ServiceNetwork.h"

#include "appletalk/protocols/asp/AspRequest.h"
#include "appletalk/services/asp/AspClient.h"
#include "appletalk/services/asp/AspServer.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace appletalk {
namespace {

using testing::ServiceNetwork;

// The ASP function of an ATP request datagram (user byte 0), or 0.
std::uint8_t aspFunctionOf(const Datagram& datagram) {
    const bool isRequest = datagram.type == 3 && datagram.data.size() >= 8 && (datagram.data[0] >> 6) == 1;
    return isRequest ? datagram.data[4] : 0;
}

std::vector<std::uint8_t> pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    return bytes;
}

struct AspSessionTest : ::testing::Test {
    ServiceNetwork net;
    Node& workstation = net.addNode(20);
    Node* serverNode = &net.addNode(130, NodeRole::Server);
    std::vector<std::vector<std::uint8_t>> commands;
    std::vector<std::vector<std::uint8_t>> writes;
    std::vector<std::uint8_t> closedSessions;
    std::unique_ptr<AspServer> server = std::make_unique<AspServer>(*serverNode, 0, handlers());
    std::vector<std::uint16_t> attentions;
    int clientClosed = 0;
    AspClient client{workstation,
                     {[this](std::uint16_t code) { attentions.push_back(code); }, [this] { ++clientClosed; }}};
    std::optional<AspCallResult> last;

    AspServerHandlers handlers() {
        AspServerHandlers h;
        h.status = [] { return pattern(40); };
        h.command = [this](std::uint8_t, std::span<const std::uint8_t> command) {
            commands.emplace_back(command.begin(), command.end());
            return AspCommandReply{-5024, pattern(2000)};
        };
        h.write = [this](std::uint8_t, std::span<const std::uint8_t> command, std::span<const std::uint8_t> data) {
            commands.emplace_back(command.begin(), command.end());
            writes.emplace_back(data.begin(), data.end());
            return AspCommandReply{0, {1, 2, 3, 4}};
        };
        h.closed = [this](std::uint8_t session) { closedSessions.push_back(session); };
        return h;
    }

    DdpAddress sls() const { return {0, 130, server->socket()}; }
    AspClient::Completion keep() {
        last.reset();
        return [this](const AspCallResult& result) { last = result; };
    }
    bool finished() {
        return net.advanceUntil([this] { return last.has_value(); }, 5min);
    }
};

TEST_F(AspSessionTest, ASessionCarriesStatusCommandsWritesAndAttentionsUntilClosed) {
    ASSERT_TRUE(client.getStatus(sls(), keep()));
    ASSERT_TRUE(finished());
    EXPECT_EQ(last->reply, pattern(40));

    ASSERT_TRUE(client.open(sls(), keep()));
    ASSERT_TRUE(finished());
    ASSERT_EQ(last->status, AspClientStatus::Ok);
    ASSERT_TRUE(client.isOpen());
    EXPECT_EQ(server->sessionCount(), 1u);

    // The first Command is lost on the way and the reply to its resend is lost too: the
    // handler still runs once.
    bool requestLost = false;
    bool replyLost = false;
    net.dropRule = [&](const Datagram& d) {
        if (!requestLost && aspFunctionOf(d) == static_cast<std::uint8_t>(asp::AspFunction::Command))
            return requestLost = true;
        const bool isResponse = d.type == 3 && !d.data.empty() && (d.data[0] >> 6) == 2;
        if (requestLost && !replyLost && isResponse) return replyLost = true;
        return false;
    };
    ASSERT_TRUE(client.command({0x10, 0x00}, keep()));
    ASSERT_TRUE(finished());
    net.dropRule = {};
    ASSERT_TRUE(requestLost && replyLost);
    EXPECT_EQ(last->status, AspClientStatus::Ok);
    EXPECT_EQ(last->result, -5024);
    EXPECT_EQ(last->reply, pattern(2000)) << "a reply over four ATP packets, in order";
    EXPECT_EQ(commands, (std::vector<std::vector<std::uint8_t>>{{0x10, 0x00}}));

    ASSERT_TRUE(client.write({0x21, 0x00}, pattern(asp::kQuantumSize), keep()));
    ASSERT_TRUE(finished());
    EXPECT_EQ(last->reply, (std::vector<std::uint8_t>{1, 2, 3, 4}));
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0], pattern(asp::kQuantumSize)) << "the whole quantum came through WriteContinue";
    EXPECT_FALSE(client.write({0x21}, pattern(asp::kQuantumSize + 1), keep())) << "over a quantum";

    ASSERT_TRUE(server->attention(client.session(), 0x8005));
    ASSERT_TRUE(net.advanceUntil([&] { return !attentions.empty(); }, 1min));
    EXPECT_EQ(attentions, std::vector<std::uint16_t>{0x8005});

    client.close();
    ASSERT_TRUE(net.advanceUntil([&] { return server->sessionCount() == 0; }, 1min));
    EXPECT_EQ(closedSessions.size(), 1u);
    EXPECT_EQ(clientClosed, 1);
    EXPECT_FALSE(client.command({0x10}, keep())) << "no session any more";
}

TEST_F(AspSessionTest, EachEndClosesTheSessionWhenTheOtherFallsSilent) {
    ASSERT_TRUE(client.open(sls(), keep()));
    ASSERT_TRUE(finished());
    int tickles = 0;
    net.dropRule = [&](const Datagram& d) {
        tickles += aspFunctionOf(d) == static_cast<std::uint8_t>(asp::AspFunction::Tickle);
        return false;
    };
    // Quiet sessions stay open on tickles alone.
    net.advance(10min);
    EXPECT_TRUE(client.isOpen());
    EXPECT_EQ(server->sessionCount(), 1u);
    EXPECT_LE(tickles, 2 * (10 * 60 / 30 + 1)) << "each end tickles once per 30 s";

    // The server goes away without a word: the workstation gives up after the session timeout.
    server.reset();
    net.removeNode(*serverNode);
    const SteadyTime silent = net.clock.now();
    ASSERT_TRUE(net.advanceUntil([&] { return clientClosed == 1; }, 10min));
    EXPECT_LE(net.clock.now() - silent, 2min + 30s);
}

TEST_F(AspSessionTest, AServerWhoseWorkstationVanishedForgetsTheSession) {
    ASSERT_TRUE(client.open(sls(), keep()));
    ASSERT_TRUE(finished());
    net.dropRule = [](const Datagram& d) { return d.source.node == 20; }; // the workstation falls silent
    ASSERT_TRUE(net.advanceUntil([&] { return server->sessionCount() == 0; }, 10min));
    EXPECT_EQ(closedSessions.size(), 1u);
}

TEST_F(AspSessionTest, ACommandForTheSessionFromAnotherNodeIsNotRun) {
    ASSERT_TRUE(client.open(sls(), keep()));
    ASSERT_TRUE(finished());
    Node& intruder = net.addNode(30);
    AtpRequester forger{intruder};
    int answered = 0;
    AtpRequestOptions once{true, 0xFF, 2s, 0};
    // Every socket the server holds: the listening socket and the session's.
    for (std::uint8_t socket = 128; socket < 255; ++socket) {
        if (!serverNode->isSocketOpen(socket)) continue;
        forger.send({0, 130, socket}, {asp::AspRequest::command(client.session(), 0).serialize(), {0x14}}, once,
                    [&](const AtpResult&) { ++answered; });
    }
    ASSERT_TRUE(net.advanceUntil([&] { return forger.pendingCount() == 0; }, 1min));
    EXPECT_GE(answered, 2);
    EXPECT_TRUE(commands.empty()) << "only the session's workstation is served";
    EXPECT_EQ(server->sessionCount(), 1u);
}

struct OneSessionServer : AspSessionTest {
    OneSessionServer() { server = std::make_unique<AspServer>(*serverNode, 0, handlers(), AspServerOptions{1}); }
};

TEST_F(OneSessionServer, OpenSessBeyondTheLimitOrOfAnotherVersionIsRefused) {
    ASSERT_TRUE(client.open(sls(), keep()));
    ASSERT_TRUE(finished());
    AspClient second{workstation};
    ASSERT_TRUE(second.open(sls(), keep()));
    ASSERT_TRUE(finished());
    EXPECT_EQ(last->status, AspClientStatus::Refused);
    EXPECT_EQ(last->result, static_cast<int>(asp::AspError::ServerBusy));

    AtpRequester raw{workstation};
    std::optional<AtpResult> answer;
    asp::AspRequest oldVersion = asp::AspRequest::openSess(200);
    oldVersion.parameter = 0x0001;
    raw.send(sls(), {oldVersion.serialize(), {}}, {}, [&](const AtpResult& r) { answer = r; });
    ASSERT_TRUE(net.advanceUntil([&] { return answer.has_value(); }, 1min));
    ASSERT_EQ(answer->status, AtpStatus::Ok);
    EXPECT_EQ(answer->packets.at(0).userBytes, (atp::UserBytes{0, 0, 0xFB, 0xD6})) << "BadVersNum, -1066";
}

} // namespace
} // namespace appletalk
