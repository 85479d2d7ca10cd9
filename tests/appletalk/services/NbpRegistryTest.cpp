// SPDX-License-Identifier: MIT
// The NBP responder of a node answering LkUps for its registered names.
#include "support/ServiceNetwork.h"

#include "appletalk/services/nbp/NbpRegistry.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace appletalk {
namespace {

using nbp::NbpFunction;
using nbp::NbpName;
using nbp::NbpPacket;
using testing::ServiceNetwork;

struct NbpRegistryTest : ::testing::Test {
    ServiceNetwork net;
    Node& asker = net.addNode(20);
    Node& printer = net.addNode(130, NodeRole::Server);
    NbpRegistry registry{printer};
    std::vector<NbpPacket> replies; // what reached the asker's reply socket

    void SetUp() override {
        ASSERT_TRUE(registry.isOpen());
        ASSERT_TRUE(asker.openSocket(200, [this](const Datagram& d) {
            if (auto packet = NbpPacket::parse(d.data)) replies.push_back(*packet);
        }));
        ASSERT_EQ(registry.registerName({"Probe Printer", "LaserWriter", "*"}, 130), NbpRegisterResult::Ok);
    }

    // A LkUp from the asker's socket 201 whose tuple names socket 200 for the replies.
    void lookUp(NbpName pattern, std::uint8_t id = 0xDF) {
        const nbp::NbpTuple requester{0, asker.nodeId(), 200, 0, std::move(pattern)};
        const auto bytes = NbpPacket::request(NbpFunction::Lookup, id, requester).serialize();
        ASSERT_FALSE(bytes.empty());
        asker.send(Datagram{{0, 255, 2}, {0, 0, 201}, 2, 0, bytes});
        net.run();
    }
};

TEST_F(NbpRegistryTest, AMatchingLookupIsAnsweredAtTheTupleAddressWithTheEntitysSocket) {
    lookUp({"=", "LaserWriter", "*"});
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].function, NbpFunction::LookupReply);
    EXPECT_EQ(replies[0].id, 0xDF);
    ASSERT_EQ(replies[0].tuples.size(), 1u);
    const auto& tuple = replies[0].tuples[0];
    EXPECT_EQ(tuple.node, printer.nodeId());
    EXPECT_EQ(tuple.socket, 130);
    EXPECT_EQ(tuple.enumerator, 1);
    EXPECT_EQ(tuple.name, (NbpName{"Probe Printer", "LaserWriter", "*"}));
}

struct PatternRow {
    const char* object;
    const char* type;
    bool answered;
};

TEST_F(NbpRegistryTest, PatternsMatchWithWildcardsAndTheCaseFold) {
    const PatternRow rows[] = {
        {"=", "=", true},
        {"probe printer", "LASERWRITER", true},
        {"\xC5Printer", "LaserWriter", true},
        {"Probe\xC5", "Laser\xC5", true},
        {"\xC5", "LaserWriter", true},
        {"Probe", "LaserWriter", false},
        {"=", "ImageWriter", false},
        {"Pr\x8E"
         "be Printer",
         "LaserWriter", false}, // é is not e
    };
    for (const auto& row : rows) {
        replies.clear();
        lookUp({row.object, row.type, "*"});
        EXPECT_EQ(!replies.empty(), row.answered) << row.object << ":" << row.type;
    }
}

TEST_F(NbpRegistryTest, ANodeOnANonExtendedNetworkAcceptsAnyZoneUnlessToldItsOwn) {
    lookUp({"=", "LaserWriter", "Far Zone"});
    EXPECT_EQ(replies.size(), 1u);
    registry.setZoneRule(nbp::NbpZoneRule::myZone("LToUDP Zone"));
    replies.clear();
    lookUp({"=", "LaserWriter", "Far Zone"});
    EXPECT_TRUE(replies.empty());
    lookUp({"=", "LaserWriter", "ltoudp zone"});
    lookUp({"=", "LaserWriter", ""});
    EXPECT_EQ(replies.size(), 2u);
}

TEST_F(NbpRegistryTest, ManyMatchingNamesComeInAsManyReplyPacketsAsNeeded) {
    for (int i = 0; i < 40; ++i)
        ASSERT_EQ(registry.registerName({"Queue " + std::to_string(i) + std::string(20, 'x'), "LaserWriter", "*"}, 140),
                  NbpRegisterResult::Ok);
    lookUp({"=", "LaserWriter", "*"});
    std::size_t tuples = 0;
    for (const auto& reply : replies) tuples += reply.tuples.size();
    EXPECT_EQ(tuples, 41u);
    EXPECT_GE(replies.size(), 3u);
}

TEST_F(NbpRegistryTest, RegistrationRefusesBadNamesSocketsAndDuplicates) {
    EXPECT_EQ(registry.registerName({"=", "LaserWriter", "*"}, 130), NbpRegisterResult::InvalidName);
    EXPECT_EQ(registry.registerName({"A\xC5", "LaserWriter", "*"}, 130), NbpRegisterResult::InvalidName);
    EXPECT_EQ(registry.registerName({std::string(33, 'a'), "LaserWriter", "*"}, 130), NbpRegisterResult::InvalidName);
    EXPECT_EQ(registry.registerName({"", "LaserWriter", "*"}, 130), NbpRegisterResult::InvalidName);
    EXPECT_EQ(registry.registerName({"B", "LaserWriter", "*"}, 0), NbpRegisterResult::InvalidSocket);
    EXPECT_EQ(registry.registerName({"PROBE PRINTER", "laserwriter", "*"}, 131), NbpRegisterResult::Duplicate);
    std::uint8_t enumerator = 0;
    EXPECT_EQ(registry.registerName({"Probe Printer", "AFPServer", "*"}, 130, &enumerator), NbpRegisterResult::Ok);
    EXPECT_EQ(enumerator, 2) << "second name on the same socket";
}

TEST_F(NbpRegistryTest, RemovedNamesAreNoLongerAnswered) {
    EXPECT_TRUE(registry.removeName({"probe printer", "laserwriter", "*"}));
    EXPECT_FALSE(registry.removeName({"probe printer", "laserwriter", "*"}));
    lookUp({"=", "=", "*"});
    EXPECT_TRUE(replies.empty());
    registry.registerName({"A", "B", "*"}, 150);
    registry.registerName({"C", "D", "*"}, 150);
    EXPECT_EQ(registry.removeSocket(150), 2u);
    EXPECT_TRUE(registry.entities().empty());
}

TEST_F(NbpRegistryTest, RequestsOtherThanLookupAndMalformedPacketsAreIgnored) {
    const nbp::NbpTuple requester{0, asker.nodeId(), 200, 0, {"=", "=", "*"}};
    asker.send(Datagram{{0, printer.nodeId(), 2},
                        {0, 0, 201},
                        2,
                        0,
                        NbpPacket::request(NbpFunction::BroadcastRequest, 1, requester).serialize()});
    asker.send(Datagram{{0, printer.nodeId(), 2}, {0, 0, 201}, 2, 0, {0x21, 0x01, 0x00}});
    net.run();
    EXPECT_TRUE(replies.empty());
    EXPECT_EQ(registry.counters().dropped, 2u);
    EXPECT_EQ(registry.counters().lookups, 0u);
}

TEST(NbpRegistrySocket, OnlyOneRegistryHoldsSocketTwo) {
    ServiceNetwork net;
    Node& node = net.addNode(20);
    NbpRegistry first{node};
    NbpRegistry second{node};
    EXPECT_TRUE(first.isOpen());
    EXPECT_FALSE(second.isOpen());
}

} // namespace
} // namespace appletalk
