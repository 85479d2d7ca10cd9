// SPDX-License-Identifier: MIT
// ATP requester and responder on one wire: at-least-once and exactly-once transactions under
// loss, multi-packet responses, STS, retry exhaustion and cancellation.
#include "support/ServiceNetwork.h"

#include "appletalk/services/atp/AtpRequester.h"
#include "appletalk/services/atp/AtpResponder.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace appletalk {
namespace {

using testing::dropFirst;
using testing::ServiceNetwork;

constexpr std::uint8_t kResponderSocket = 100;

bool isAtp(const Datagram& datagram, atp::AtpFunction function) {
    if (datagram.type != 3) return false;
    const auto packet = atp::AtpPacket::parse(datagram.data);
    return packet && packet->function == function;
}

bool isResponse(const Datagram& datagram, std::uint8_t sequence) {
    if (!isAtp(datagram, atp::AtpFunction::Response)) return false;
    return atp::AtpPacket::parse(datagram.data)->bitmapOrSequence == sequence;
}

atp::AtpPayload payload(std::uint8_t tag, std::vector<std::uint8_t> data = {}) {
    return atp::AtpPayload{{tag, 0, 0, 0}, std::move(data)};
}

struct AtpTransactionTest : ::testing::Test {
    ServiceNetwork net;
    Node& client = net.addNode(20);
    Node& server = net.addNode(130, NodeRole::Server);
    int handlerRuns = 0;
    std::size_t responsePackets = 1;
    AtpResponder responder{
        server, kResponderSocket, [this](const AtpIncomingRequest& request) {
            ++handlerRuns;
            std::vector<atp::AtpPayload> packets;
            for (std::size_t i = 0; i < responsePackets; ++i)
                packets.push_back(payload(request.payload.userBytes[0], {static_cast<std::uint8_t>(i)}));
            return AtpAnswer::reply(std::move(packets));
        }};
    AtpRequester requester{client, 0x1000};
    std::vector<AtpResult> results;
    std::vector<Datagram> requestsSeen; // every TReq that left the client

    void SetUp() override { ASSERT_TRUE(responder.isOpen() && requester.isOpen()); }

    AtpRequester::Handle start(AtpRequestOptions options, std::uint8_t tag = 7) {
        return requester.send({0, server.nodeId(), kResponderSocket}, payload(tag), options,
                              [this](const AtpResult& result) { results.push_back(result); });
    }

    // Records the TReqs sent, then applies `rule`.
    void watchRequests(testing::DropRule rule = {}) {
        net.dropRule = [this, rule](const Datagram& datagram) {
            if (isAtp(datagram, atp::AtpFunction::Request)) requestsSeen.push_back(datagram);
            return rule && rule(datagram);
        };
    }

    bool done() const { return !results.empty(); }
};

TEST_F(AtpTransactionTest, AtLeastOnceRequestIsAnsweredWithTheHandlersPacket) {
    start({});
    net.run();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].status, AtpStatus::Ok);
    ASSERT_EQ(results[0].packets.size(), 1u);
    EXPECT_EQ(results[0].packets[0], payload(7, {0}));
    EXPECT_EQ(responder.cachedCount(), 0u);
}

TEST_F(AtpTransactionTest, AtLeastOnceLostRequestIsResentAfterTheRetryInterval) {
    watchRequests(dropFirst(1, [](const Datagram& d) { return isAtp(d, atp::AtpFunction::Request); }));
    const SteadyTime begin = net.clock.now();
    start({.retryInterval = 2s});
    ASSERT_TRUE(net.advanceUntil([this] { return done(); }, 10s));
    EXPECT_EQ(results[0].status, AtpStatus::Ok);
    EXPECT_EQ(net.clock.now() - begin, 2s);
    EXPECT_EQ(handlerRuns, 1);
    EXPECT_EQ(requester.counters().retries, 1u);
    ASSERT_EQ(requestsSeen.size(), 2u);
    EXPECT_EQ(requestsSeen[0].data, requestsSeen[1].data) << "same TID, same bitmap";
}

TEST_F(AtpTransactionTest, AtLeastOnceLostResponseRunsTheHandlerAgain) {
    net.dropRule = dropFirst(1, [](const Datagram& d) { return isAtp(d, atp::AtpFunction::Response); });
    start({});
    ASSERT_TRUE(net.advanceUntil([this] { return done(); }, 10s));
    EXPECT_EQ(results[0].status, AtpStatus::Ok);
    EXPECT_EQ(handlerRuns, 2);
}

TEST_F(AtpTransactionTest, ExactlyOnceLostResponseIsReplayedWithoutRunningTheHandlerAgain) {
    watchRequests(dropFirst(1, [](const Datagram& d) { return isAtp(d, atp::AtpFunction::Response); }));
    start({.exactlyOnce = true});
    ASSERT_TRUE(net.advanceUntil([this] { return done(); }, 10s));
    net.run();
    EXPECT_EQ(results[0].status, AtpStatus::Ok);
    EXPECT_EQ(results[0].packets[0], payload(7, {0}));
    EXPECT_EQ(handlerRuns, 1);
    EXPECT_EQ(responder.counters().replays, 1u);
    EXPECT_EQ(responder.counters().releases, 1u) << "TRel followed completion";
    EXPECT_EQ(responder.cachedCount(), 0u);
    ASSERT_GE(requestsSeen.size(), 1u);
    EXPECT_EQ(requestsSeen[0].data[0] & atp::AtpPacket::kXo, atp::AtpPacket::kXo);
}

TEST_F(AtpTransactionTest, ExactlyOnceLostRequestRunsTheHandlerOnce) {
    net.dropRule = dropFirst(2, [](const Datagram& d) { return isAtp(d, atp::AtpFunction::Request); });
    start({.exactlyOnce = true});
    ASSERT_TRUE(net.advanceUntil([this] { return done(); }, 10s));
    EXPECT_EQ(results[0].status, AtpStatus::Ok);
    EXPECT_EQ(handlerRuns, 1);
    EXPECT_EQ(requester.counters().retries, 2u);
}

TEST_F(AtpTransactionTest, ExactlyOnceEntryIsDroppedByTheReleaseTimerWhenTheTRelIsLost) {
    net.dropRule = [](const Datagram& d) { return isAtp(d, atp::AtpFunction::Release); };
    start({.exactlyOnce = true, .releaseTimeout = atp::ReleaseTimeout::Minute1});
    net.run();
    ASSERT_TRUE(done());
    EXPECT_EQ(responder.cachedCount(), 1u);
    net.advance(59s);
    EXPECT_EQ(responder.cachedCount(), 1u);
    net.advance(1s);
    EXPECT_EQ(responder.cachedCount(), 0u);
    EXPECT_EQ(responder.counters().releaseTimeouts, 1u);
}

TEST_F(AtpTransactionTest, LostMiddlePacketIsAskedForAgainByBitmapAlone) {
    responsePackets = 3;
    watchRequests(dropFirst(1, [](const Datagram& d) { return isResponse(d, 1); }));
    start({.exactlyOnce = true, .bitmap = 0x07});
    ASSERT_TRUE(net.advanceUntil([this] { return done(); }, 10s));
    ASSERT_EQ(results[0].status, AtpStatus::Ok);
    ASSERT_EQ(results[0].packets.size(), 3u);
    for (std::uint8_t i = 0; i < 3; ++i) EXPECT_EQ(results[0].packets[i], payload(7, {i}));
    ASSERT_EQ(requestsSeen.size(), 2u);
    const auto first = *atp::AtpPacket::parse(requestsSeen[0].data);
    const auto resend = *atp::AtpPacket::parse(requestsSeen[1].data);
    EXPECT_EQ(first.bitmapOrSequence, 0x07);
    EXPECT_EQ(resend.bitmapOrSequence, 0x02);
    EXPECT_EQ(resend.tid, first.tid);
    EXPECT_EQ(handlerRuns, 1);
}

TEST_F(AtpTransactionTest, EndOfMessageCompletesAShorterResponseAtOnce) {
    responsePackets = 2;
    start({.bitmap = 0xFF});
    net.run();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].status, AtpStatus::Ok);
    EXPECT_EQ(results[0].packets.size(), 2u);
    EXPECT_EQ(requester.counters().retries, 0u);
}

TEST_F(AtpTransactionTest, ExhaustedRetriesEndInTimeoutAfterEveryInterval) {
    net.dropRule = [](const Datagram& d) { return isAtp(d, atp::AtpFunction::Request); };
    const SteadyTime begin = net.clock.now();
    start({.retryInterval = 2s, .retries = 3});
    ASSERT_TRUE(net.advanceUntil([this] { return done(); }, 60s));
    EXPECT_EQ(results[0].status, AtpStatus::Timeout);
    EXPECT_TRUE(results[0].packets.empty());
    EXPECT_EQ(net.clock.now() - begin, 8s) << "first try plus three retries, 2 s each";
    EXPECT_EQ(requester.counters().requestsSent, 4u);
    EXPECT_EQ(requester.pendingCount(), 0u);
}

TEST_F(AtpTransactionTest, InfiniteRetriesGoOnUntilCancelledAndThenNothingIsLeft) {
    net.dropRule = [](const Datagram& d) { return isAtp(d, atp::AtpFunction::Request); };
    const std::size_t timersBefore = client.timers().size();
    const auto handle = start({.retryInterval = 1s, .retries = AtpRequestOptions::kInfiniteRetries});
    net.advance(10min);
    EXPECT_TRUE(requester.isPending(handle));
    EXPECT_EQ(requester.counters().retries, 600u);
    EXPECT_TRUE(requester.cancel(handle));
    EXPECT_FALSE(requester.cancel(handle));
    EXPECT_EQ(client.timers().size(), timersBefore);
    net.advance(10s);
    EXPECT_TRUE(results.empty()) << "a cancelled transaction never calls back";
}

TEST_F(AtpTransactionTest, ResponsesForAFinishedTransactionOrFromAnotherAddressAreDropped) {
    start({});
    net.run();
    ASSERT_EQ(results.size(), 1u);
    const std::uint16_t tid = 0x1000;
    const auto late = atp::AtpPacket::response(tid, 0, payload(9), true).serialize();
    server.send(Datagram{{0, client.nodeId(), requester.socket()}, {0, 0, kResponderSocket}, 3, 0, late});
    net.run();
    EXPECT_EQ(results.size(), 1u);

    net.dropRule = [](const Datagram& d) {
        return d.source.socket == kResponderSocket && isAtp(d, atp::AtpFunction::Response);
    };
    start({.retries = 0});
    const auto stranger = atp::AtpPacket::response(tid + 1, 0, payload(9), true).serialize();
    ASSERT_TRUE(server.openSocket(101, [](const Datagram&) {}));
    server.send(Datagram{{0, client.nodeId(), requester.socket()}, {0, 0, 101}, 3, 0, stranger});
    net.run();
    EXPECT_EQ(results.size(), 1u) << "same TID from another socket is not the answer";
    EXPECT_EQ(requester.counters().responsesDropped, 2u);
}

TEST_F(AtpTransactionTest, TheTidCounterWrapsAndIsKeptPerRequester) {
    AtpRequester wrapping{client, 0xFFFF};
    const DdpAddress to{0, server.nodeId(), kResponderSocket};
    const auto a = wrapping.send(to, payload(1), {}, {});
    const auto b = wrapping.send(to, payload(2), {}, {});
    EXPECT_EQ(wrapping.tidOf(a), 0xFFFF);
    EXPECT_EQ(wrapping.tidOf(b), 0x0000);
    const auto c = start({});
    EXPECT_EQ(requester.tidOf(c), 0x1000);
}

TEST_F(AtpTransactionTest, RequestsThatCannotBeTReqsAreRefused) {
    const DdpAddress to{0, server.nodeId(), kResponderSocket};
    EXPECT_EQ(requester.send(to, payload(1), {.bitmap = 0}, {}), 0u);
    EXPECT_EQ(requester.send(to, payload(1, std::vector<std::uint8_t>(579)), {}, {}), 0u);
    EXPECT_EQ(requester.send(to, payload(1), {.retries = -2}, {}), 0u);
    EXPECT_EQ(requester.send(to, payload(1), {.retryInterval = 0s}, {}), 0u);
    EXPECT_NE(requester.send(to, payload(1, std::vector<std::uint8_t>(578)), {}, {}), 0u);
}

TEST_F(AtpTransactionTest, AnUnsendableFirstRequestFailsFromATimerNotInsideSend) {
    client.setThisNet(1); // a network of its own, and no router to another
    const auto handle =
        requester.send({5, 40, kResponderSocket}, payload(1), {}, [this](const AtpResult& r) { results.push_back(r); });
    ASSERT_NE(handle, 0u);
    EXPECT_TRUE(results.empty());
    net.run();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].status, AtpStatus::SendFailed) << "another network and no router";
}

// A scripted responder that asks for status first, then sends the rest: the resend waits for
// the retry interval and, as a packet came before it, costs no retry.
TEST(AtpStatusRequest, StsResendWaitsForTheRetryIntervalAndCostsNoRetryAfterProgress) {
    ServiceNetwork net;
    Node& client = net.addNode(20);
    Node& server = net.addNode(130, NodeRole::Server);
    std::vector<std::uint8_t> bitmapsSeen;
    ASSERT_TRUE(server.openSocket(kResponderSocket, [&](const Datagram& request) {
        const auto packet = atp::AtpPacket::parse(request.data);
        bitmapsSeen.push_back(packet->bitmapOrSequence);
        auto reply = atp::AtpPacket::response(packet->tid, bitmapsSeen.size() == 1 ? 0 : 1, payload(0), false);
        reply.sendTransactionStatus = bitmapsSeen.size() == 1;
        reply.endOfMessage = bitmapsSeen.size() > 1;
        server.send(Datagram{request.source, {0, 0, kResponderSocket}, 3, 0, reply.serialize()});
    }));
    AtpRequester requester{client, 1};
    std::optional<AtpResult> result;
    const SteadyTime begin = net.clock.now();
    requester.send({0, server.nodeId(), kResponderSocket}, payload(0), {.bitmap = 0x03, .retries = 0},
                   [&](const AtpResult& r) { result = r; });
    ASSERT_TRUE(net.advanceUntil([&] { return result.has_value(); }, 10s));
    EXPECT_EQ(result->status, AtpStatus::Ok) << "no retry was left, yet the resend was allowed";
    EXPECT_EQ(result->packets.size(), 2u);
    EXPECT_EQ(net.clock.now() - begin, 2s) << "one retry interval";
    EXPECT_EQ(bitmapsSeen, (std::vector<std::uint8_t>{0x03, 0x02}));
    EXPECT_EQ(requester.counters().statusResends, 1u);
    EXPECT_EQ(requester.counters().retries, 0u);
}

// A responder that answers every request with STS and a packet nobody asked for: the requests
// keep the pace of the retry interval, and the retries still run out.
TEST(AtpStatusRequest, StsToEveryRequestIsPacedByTheRetryIntervalAndRunsOutOfRetries) {
    ServiceNetwork net;
    Node& client = net.addNode(20);
    Node& server = net.addNode(130, NodeRole::Server);
    int requests = 0;
    ASSERT_TRUE(server.openSocket(kResponderSocket, [&](const Datagram& request) {
        ++requests;
        const auto packet = atp::AtpPacket::parse(request.data);
        auto reply = atp::AtpPacket::response(packet->tid, 7, payload(0), false);
        reply.sendTransactionStatus = true;
        for (int copy = 0; copy < 3; ++copy) // asks more than once per request, too
            server.send(Datagram{request.source, {0, 0, kResponderSocket}, 3, 0, reply.serialize()});
    }));
    AtpRequester requester{client, 1};
    std::vector<AtpResult> results;
    const auto forever = requester.send({0, server.nodeId(), kResponderSocket}, payload(0),
                                        {.bitmap = 0x03, .retryInterval = 1s, .retries = -1},
                                        [&](const AtpResult& r) { results.push_back(r); });
    constexpr int kIntervals = 10;
    for (int interval = 1; interval <= kIntervals; ++interval) {
        net.advance(1s);
        EXPECT_LE(requests, interval + 1) << "after " << interval << " intervals";
    }
    EXPECT_GE(requests, kIntervals) << "STS still asks for the resends";
    requester.cancel(forever);
    requests = 0;
    requester.send({0, server.nodeId(), kResponderSocket}, payload(0),
                   {.bitmap = 0x03, .retryInterval = 1s, .retries = 3},
                   [&](const AtpResult& r) { results.push_back(r); });
    ASSERT_TRUE(net.advanceUntil([&] { return !results.empty(); }, 1min));
    EXPECT_EQ(results[0].status, AtpStatus::BadReply) << "a sequence number it never asked for";
    EXPECT_EQ(requests, 4) << "the first and three retries";
}

TEST(AtpUnderRandomLoss, EveryExactlyOnceTransactionCompletesAndRunsItsHandlerOnce) {
    ServiceNetwork net(42);
    Node& client = net.addNode(20);
    Node& server = net.addNode(130, NodeRole::Server);
    net.wire.setImpairments({.lossRate = 0.3, .duplicateRate = 0.1, .delay = 5ms, .jitter = 20ms});
    std::map<std::uint8_t, int> runs;
    AtpResponder responder{server, kResponderSocket, [&](const AtpIncomingRequest& request) {
                               ++runs[request.payload.userBytes[0]];
                               return AtpAnswer::reply({payload(request.payload.userBytes[0], {0}),
                                                        payload(request.payload.userBytes[0], {1}),
                                                        payload(request.payload.userBytes[0], {2})});
                           }};
    AtpRequester requester{client};
    std::vector<AtpResult> results;
    for (std::uint8_t tag = 0; tag < 20; ++tag)
        requester.send({0, server.nodeId(), kResponderSocket}, payload(tag),
                       {.exactlyOnce = true, .bitmap = 0x07, .retryInterval = 1s, .retries = 30},
                       [&](const AtpResult& r) { results.push_back(r); });
    ASSERT_TRUE(net.advanceUntil([&] { return results.size() == 20; }, 2min));
    for (const auto& result : results) {
        ASSERT_EQ(result.status, AtpStatus::Ok);
        ASSERT_EQ(result.packets.size(), 3u);
        EXPECT_EQ(result.packets[2].data, std::vector<std::uint8_t>{2});
    }
    EXPECT_EQ(runs.size(), 20u);
    for (const auto& [tag, count] : runs) EXPECT_EQ(count, 1) << "tag " << int(tag);
}

} // namespace
} // namespace appletalk
