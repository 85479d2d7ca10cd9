// SPDX-License-Identifier: MIT
// Whatever arrives from the network, a service drops what it cannot read and keeps working.
#include "support/ServiceNetwork.h"

#include "appletalk/services/atp/AtpRequester.h"
#include "appletalk/services/atp/AtpResponder.h"
#include "appletalk/services/nbp/NbpLookup.h"
#include "appletalk/services/nbp/NbpRegistry.h"
#include "appletalk/services/pap/PapStatusServer.h"
#include "appletalk/services/rtmp/RtmpStub.h"
#include "appletalk/services/zip/ZipClient.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace appletalk {
namespace {

using testing::ServiceNetwork;

// Every truncated prefix of a valid packet of each kind, plus noise.
std::vector<std::vector<std::uint8_t>> junk() {
    std::vector<std::vector<std::uint8_t>> all = {{}, {0xFF}, std::vector<std::uint8_t>(586, 0xFF)};
    const std::vector<std::vector<std::uint8_t>> valid = {
        atp::AtpPacket::response(0x1000, 0, {{0, 9, 0, 0}, {0, 0, 0, 0, 3, 'a', 'b', 'c'}}, true).serialize(),
        atp::AtpPacket::request(0x1000, 0xFF, {{0, 8, 0, 0}, {}}, true).serialize(),
        nbp::NbpPacket::request(nbp::NbpFunction::Lookup, 1, {0, 20, 200, 0, {"=", "=", "*"}}).serialize(),
        {0x00, 0x01, 0x08, 0xFE, 0x00, 0x00, 0x82, 0x00, 0x02, 0x00},
    };
    for (const auto& packet : valid)
        for (std::size_t length = 0; length < packet.size(); ++length)
            all.emplace_back(packet.begin(), packet.begin() + static_cast<std::ptrdiff_t>(length));
    return all;
}

TEST(MalformedInput, EveryServiceDropsUnreadablePacketsAndStillAnswersAfterwards) {
    ServiceNetwork net;
    Node& client = net.addNode(20);
    Node& printer = net.addNode(130, NodeRole::Server);
    Node& attacker = net.addNode(66);
    NbpRegistry names{printer};
    PapStatusServer server{printer, 130, "status: idle"};
    names.registerName({"Probe Printer", "LaserWriter", "*"}, 130);
    RtmpStub stub{client};
    ASSERT_TRUE(stub.start());
    AtpRequester requester{client, 0x1000};
    NbpLookup lookup{client};
    ZipClient zip{client};
    ASSERT_TRUE(lookup.start({"=", "=", "*"}, {.transmissions = 1}, {}));
    net.run();
    ASSERT_EQ(lookup.results().size(), 1u);
    requester.send({0, 130, 130}, {{0, 8, 0, 0}, {}}, {.exactlyOnce = true, .retries = 0}, {});

    // The printer's NIS and SLS; the client's RTMP socket and every dynamic socket it holds.
    std::vector<std::pair<std::uint8_t, std::uint8_t>> targets = {{130, 2}, {130, 130}, {20, 1}};
    for (int socket = Node::kFirstDynamicSocket; socket <= 140; ++socket)
        targets.emplace_back(20, static_cast<std::uint8_t>(socket));
    const std::uint8_t types[] = {1, 2, 3, 5, 6};
    for (const auto& [node, socket] : targets) {
        for (const std::uint8_t type : types)
            for (const auto& bytes : junk()) attacker.send(Datagram{{0, node, socket}, {0, 0, 99}, type, 0, bytes});
        net.run();
    }
    EXPECT_FALSE(stub.hasRouter()) << "a router that names another node than the sender is not believed";

    std::optional<AtpResult> result;
    requester.send({0, 130, 130}, {{0, 8, 0, 0}, {}}, {.exactlyOnce = true}, [&](const AtpResult& r) { result = r; });
    ASSERT_TRUE(net.advanceUntil([&] { return result.has_value(); }, 30s));
    EXPECT_EQ(result->status, AtpStatus::Ok);
    net.advance(2s);
    ASSERT_TRUE(lookup.start({"=", "=", "*"}, {.transmissions = 1}, {}));
    net.run();
    EXPECT_EQ(lookup.results().size(), 1u);
}

TEST(MalformedInput, AZoneListReplyThatCannotBeReadEndsTheOperationWithBadReply) {
    ServiceNetwork net;
    Node& client = net.addNode(20);
    Node& router = net.addNode(254, NodeRole::Server);
    AtpResponder liar{router, 6, [](const AtpIncomingRequest&) {
                          // Says three zones, carries one.
                          return AtpAnswer::reply({atp::AtpPayload{{1, 0, 0, 3}, {1, 'A'}}});
                      }};
    client.setARouter(254);
    ZipClient zip{client};
    std::vector<ZipStatus> completions;
    ASSERT_TRUE(zip.getZoneList([&](ZipStatus s) { completions.push_back(s); }));
    net.run();
    EXPECT_EQ(completions, std::vector<ZipStatus>{ZipStatus::BadReply});
}

TEST(MalformedInput, AResponderRefusesAnswersThatAreNoAtpResponse) {
    ServiceNetwork net;
    Node& client = net.addNode(20);
    Node& server = net.addNode(130, NodeRole::Server);
    std::vector<atp::AtpPayload> answer;
    AtpResponder responder{server, 100, [&](const AtpIncomingRequest&) { return AtpAnswer::reply(answer); }};
    AtpRequester requester{client};
    const struct {
        std::size_t packets;
        std::size_t dataSize;
        bool answered;
    } rows[] = {{0, 0, false}, {1, 578, true}, {1, 579, false}, {8, 10, true}, {9, 10, false}};
    for (const auto& row : rows) {
        answer.assign(row.packets, atp::AtpPayload{{}, std::vector<std::uint8_t>(row.dataSize)});
        std::optional<AtpResult> result;
        requester.send({0, 130, 100}, {}, {.exactlyOnce = true, .bitmap = 0xFF, .retries = 0},
                       [&](const AtpResult& r) { result = r; });
        ASSERT_TRUE(net.advanceUntil([&] { return result.has_value(); }, 10s));
        EXPECT_EQ(result->status == AtpStatus::Ok, row.answered) << row.packets << " x " << row.dataSize;
        if (row.answered) {
            EXPECT_EQ(result->packets.size(), row.packets);
        }
    }
    EXPECT_EQ(responder.cachedCount(), 0u) << "refused answers leave nothing behind";
}

} // namespace
} // namespace appletalk
