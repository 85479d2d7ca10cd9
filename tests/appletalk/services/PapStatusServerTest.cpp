// SPDX-License-Identifier: MIT
// The printer side of PAP status, asked through a bare ATP requester.
#include "support/ServiceNetwork.h"

#include "appletalk/protocols/pap/PapHeader.h"
#include "appletalk/protocols/pap/PapStatus.h"
#include "appletalk/services/atp/AtpRequester.h"
#include "appletalk/services/pap/PapStatusServer.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace appletalk {
namespace {

using testing::ServiceNetwork;

struct PapStatusServerTest : ::testing::Test {
    ServiceNetwork net;
    Node& client = net.addNode(20);
    Node& printer = net.addNode(130, NodeRole::Server);
    PapStatusServer server{printer, 130, "status: idle"};
    AtpRequester requester{client, 0x293C};
    std::vector<AtpResult> results;

    void ask(bool exactlyOnce, atp::UserBytes header = pap::PapHeader::sendStatus().serialize()) {
        requester.send({0, printer.nodeId(), 130}, {header, {}},
                       {.exactlyOnce = exactlyOnce, .retryInterval = 2s, .retries = 2},
                       [this](const AtpResult& r) { results.push_back(r); });
    }

    std::string lastText() const {
        const auto& packets = results.back().packets;
        if (packets.size() != 1 || pap::PapHeader::parse(packets[0].userBytes)->function != pap::PapFunction::Status)
            return "<bad reply>";
        return pap::PapStatus::parse(packets[0].data).value_or(pap::PapStatus{"<bad text>"}).status;
    }
};

TEST_F(PapStatusServerTest, SendStatusIsAnsweredWithTheCurrentTextWhetherAtLeastOnceOrExactlyOnce) {
    ask(true);
    net.run();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(lastText(), "status: idle");
    ASSERT_TRUE(server.setStatus("status: busy; source: AppleTalk"));
    ask(false);
    net.run();
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(lastText(), "status: busy; source: AppleTalk");
    EXPECT_EQ(server.statusRequests(), 2u);
}

TEST_F(PapStatusServerTest, TheStatusReplyMatchesTheCapturedLayout) {
    ask(true);
    net.run();
    ASSERT_EQ(results.size(), 1u);
    const auto& packet = results[0].packets.at(0);
    EXPECT_EQ(packet.userBytes, (atp::UserBytes{0, 9, 0, 0}));
    ASSERT_EQ(packet.data.size(), 4u + 1u + 12u);
    EXPECT_EQ(packet.data[4], 12);
}

TEST_F(PapStatusServerTest, AStatusOverTwoHundredFiftyFiveBytesIsRefused) {
    EXPECT_FALSE(server.setStatus(std::string(256, 'x')));
    EXPECT_EQ(server.status(), "status: idle");
    EXPECT_TRUE(server.setStatus(std::string(255, 'x')));
}

TEST_F(PapStatusServerTest, AServerThatStoppedAnsweringLetsTheRequestTimeOut) {
    server.setAnswering(false);
    ask(true);
    ASSERT_TRUE(net.advanceUntil([this] { return !results.empty(); }, 30s));
    EXPECT_EQ(results[0].status, AtpStatus::Timeout);
    EXPECT_EQ(server.responder().cachedCount(), 0u) << "an unanswered request is not remembered";
}

TEST_F(PapStatusServerTest, ASlowAnswerCarriesTheTextCurrentWhenItLeaves) {
    server.setResponseDelay(1500ms);
    ask(true);
    net.advance(1s);
    server.setStatus("status: printing; source: AppleTalk");
    ASSERT_TRUE(net.advanceUntil([this] { return !results.empty(); }, 30s));
    EXPECT_EQ(results[0].status, AtpStatus::Ok);
    EXPECT_EQ(lastText(), "status: printing; source: AppleTalk");
}

TEST_F(PapStatusServerTest, OtherPapRequestsGoToTheOtherHandler) {
    ask(true, pap::PapHeader::openConn(5).serialize());
    ASSERT_TRUE(net.advanceUntil([this] { return !results.empty(); }, 30s));
    EXPECT_EQ(results[0].status, AtpStatus::Timeout) << "ignored without a handler";

    server.setOtherRequestHandler([](const AtpIncomingRequest&) {
        return AtpAnswer::reply({atp::AtpPayload{pap::PapHeader::openConnReply(5).serialize(), {}}});
    });
    ask(true, pap::PapHeader::openConn(5).serialize());
    net.run();
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[1].status, AtpStatus::Ok);
    EXPECT_EQ(server.statusRequests(), 0u);
}

} // namespace
} // namespace appletalk
