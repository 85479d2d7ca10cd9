// SPDX-License-Identifier: MIT
// Printer status from the client's side, against the printer's PAP status server.
#include "support/ServiceNetwork.h"

#include "appletalk/services/atp/AtpResponder.h"
#include "appletalk/services/nbp/NbpLookup.h"
#include "appletalk/services/nbp/NbpRegistry.h"
#include "appletalk/services/pap/PapStatusClient.h"
#include "appletalk/services/pap/PapStatusServer.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace appletalk {
namespace {

using testing::ServiceNetwork;

struct PapStatusClientTest : ::testing::Test {
    ServiceNetwork net;
    Node& client = net.addNode(20);
    Node* printer = &net.addNode(130, NodeRole::Server);
    std::unique_ptr<PapStatusServer> server = std::make_unique<PapStatusServer>(*printer, 130, "status: idle");
    PapStatusClient status{client};
    std::vector<PapStatusResult> results;

    DdpAddress sls() const { return {0, 130, 130}; }

    bool query() {
        if (!status.start(sls(), [this](PapStatusResult r) { results.push_back(r); })) return false;
        return net.advanceUntil([this] { return !status.isRunning(); }, 1min);
    }
};

TEST_F(PapStatusClientTest, EachQueryReadsTheTextCurrentAtThatMoment) {
    const char* texts[] = {"status: idle", "status: busy; source: AppleTalk", "status: PrinterError: out of paper", ""};
    for (const char* text : texts) {
        server->setStatus(text);
        ASSERT_TRUE(query());
        EXPECT_EQ(results.back(), PapStatusResult::Ok);
        EXPECT_EQ(status.statusText(), text);
    }
    const std::string longest(255, '\xA5');
    server->setStatus(longest);
    ASSERT_TRUE(query());
    EXPECT_EQ(status.statusText(), longest);
}

TEST_F(PapStatusClientTest, APrinterThatWentAwayFailsWithinTheRetryBudget) {
    ASSERT_TRUE(query());
    server.reset();
    net.removeNode(*printer);
    const SteadyTime begin = net.clock.now();
    ASSERT_TRUE(query());
    EXPECT_EQ(results.back(), PapStatusResult::NoResponse);
    EXPECT_EQ(net.clock.now() - begin, 6s) << "2 s x three tries";
    EXPECT_EQ(status.statusText(), "status: idle") << "the last good text stays readable";
}

TEST_F(PapStatusClientTest, ASlowPrinterIsWaitedForAndAskedOnlyOnce) {
    server->setResponseDelay(3s);
    ASSERT_TRUE(query());
    EXPECT_EQ(results.back(), PapStatusResult::Ok);
    EXPECT_EQ(server->statusRequests(), 1u) << "the resend met the exactly-once cache";
}

TEST_F(PapStatusClientTest, AnAnswerThatIsNotAStatusIsABadReply) {
    server.reset();
    AtpResponder wrong{*printer, 130, [](const AtpIncomingRequest&) {
                           return AtpAnswer::reply({atp::AtpPayload{{0, 2, 0, 0}, {1, 2}}});
                       }};
    ASSERT_TRUE(query());
    EXPECT_EQ(results.back(), PapStatusResult::BadReply);
}

TEST_F(PapStatusClientTest, OneQueryAtATimeAndCancelStopsIt) {
    server->setAnswering(false);
    ASSERT_TRUE(status.start(sls(), [this](PapStatusResult r) { results.push_back(r); }));
    EXPECT_FALSE(status.start(sls(), {}));
    status.cancel();
    net.advance(1min);
    EXPECT_TRUE(results.empty());
    EXPECT_EQ(status.result(), PapStatusResult::Cancelled);
}

TEST_F(PapStatusClientTest, APrinterFoundByNameAnswersAtTheAddressNbpGave) {
    NbpRegistry names{*printer};
    names.registerName({"Probe Printer", "LaserWriter", "*"}, server->socket());
    NbpLookup lookup{client};
    ASSERT_TRUE(lookup.start({"=", "LaserWriter", "*"}, {.transmissions = 1}, {}));
    net.advance(2s);
    ASSERT_EQ(lookup.results().size(), 1u);
    const auto& found = lookup.results()[0];
    bool done = false;
    ASSERT_TRUE(status.start({found.network, found.node, found.socket}, [&](PapStatusResult) { done = true; }));
    net.run();
    ASSERT_TRUE(done);
    EXPECT_EQ(status.statusText(), "status: idle");
}

} // namespace
} // namespace appletalk
