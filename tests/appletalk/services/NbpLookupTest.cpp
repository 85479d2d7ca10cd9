// SPDX-License-Identifier: MIT
// NBP look-ups from a client: by broadcast with no router, through a router's BrRq, with
// wildcards, lost and duplicated frames, and a cap on the number of tuples.
#include "ScriptedRouter.h"
#include "support/ServiceNetwork.h"

#include "appletalk/services/nbp/NbpLookup.h"
#include "appletalk/services/nbp/NbpRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace std::chrono_literals;

namespace appletalk {
namespace {

using nbp::NbpName;
using testing::ScriptedRouter;
using testing::ServiceNetwork;

struct NbpLookupTest : ::testing::Test {
    ServiceNetwork net;
    Node& client = net.addNode(20);
    Node& laser = net.addNode(130, NodeRole::Server);
    Node& studio = net.addNode(140, NodeRole::Server);
    NbpRegistry laserNames{laser};
    NbpRegistry studioNames{studio};
    NbpLookup lookup{client};
    std::vector<NbpLookupStatus> completions;
    std::vector<nbp::NbpPacket> requestsOnWire;

    void SetUp() override {
        laserNames.registerName({"Probe Printer", "LaserWriter", "*"}, 130);
        laserNames.registerName({"Mona", "LaserWriter", "*"}, 131);
        studioNames.registerName({"Studio Mona", "AFPServer", "*"}, 140);
        net.dropRule = [this](const Datagram& d) {
            if (d.type == 2 && d.source.node == client.nodeId())
                if (auto packet = nbp::NbpPacket::parse(d.data)) requestsOnWire.push_back(*packet);
            return false;
        };
    }

    bool run(const NbpName& pattern, NbpLookupOptions options = {}) {
        if (!lookup.start(pattern, options, [this](NbpLookupStatus s) { completions.push_back(s); })) return false;
        return net.advanceUntil([this] { return !completions.empty(); }, 1min);
    }

    std::vector<std::string> objectsFound() const {
        std::vector<std::string> objects;
        for (const auto& tuple : lookup.results()) objects.push_back(tuple.name.object);
        std::sort(objects.begin(), objects.end());
        return objects;
    }
};

TEST_F(NbpLookupTest, WithoutARouterDevicesOnTheCableAreFoundByABroadcastLookupInZoneStar) {
    const SteadyTime begin = net.clock.now();
    ASSERT_TRUE(run({"=", "=", "Some Zone"}, {.interval = 1s, .transmissions = 3}));
    EXPECT_EQ(completions, std::vector<NbpLookupStatus>{NbpLookupStatus::Done});
    EXPECT_EQ(net.clock.now() - begin, 3s) << "until the last interval ends";
    EXPECT_EQ(objectsFound(), (std::vector<std::string>{"Mona", "Probe Printer", "Studio Mona"}));
    ASSERT_EQ(requestsOnWire.size(), 3u);
    for (const auto& request : requestsOnWire) {
        EXPECT_EQ(request.function, nbp::NbpFunction::Lookup);
        EXPECT_EQ(request.id, requestsOnWire[0].id) << "every repeat keeps the NBP ID";
        EXPECT_EQ(request.tuples[0].name.zone, "*");
        EXPECT_EQ(request.tuples[0].socket, requestsOnWire[0].tuples[0].socket);
    }
    for (const auto& tuple : lookup.results()) EXPECT_EQ(tuple.name.zone, "*");
    const auto printer = std::find_if(lookup.results().begin(), lookup.results().end(),
                                      [](const auto& t) { return t.name.object == "Probe Printer"; });
    ASSERT_NE(printer, lookup.results().end());
    EXPECT_EQ(printer->node, laser.nodeId());
    EXPECT_EQ(printer->socket, 130);
}

struct WildcardRow {
    NbpName pattern;
    std::vector<std::string> objects;
};

TEST_F(NbpLookupTest, WildcardsAndTheCaseFoldChooseWhatAnswers) {
    const WildcardRow rows[] = {
        {{"=", "LaserWriter", "*"}, {"Mona", "Probe Printer"}}, {{"=", "laserwriter", "*"}, {"Mona", "Probe Printer"}},
        {{"\xC5Mona", "=", "*"}, {"Mona", "Studio Mona"}},      {{"Mona", "=", "*"}, {"Mona"}},
        {{"PROBE\xC5", "=", "*"}, {"Probe Printer"}},           {{"=", "ImageWriter", "*"}, {}},
    };
    for (const auto& row : rows) {
        completions.clear();
        ASSERT_TRUE(run(row.pattern, {.transmissions = 1}));
        EXPECT_EQ(objectsFound(), row.objects) << row.pattern.object << ":" << row.pattern.type;
    }
}

TEST_F(NbpLookupTest, RepeatedAndDuplicatedRepliesAreCountedOnce) {
    net.wire.setImpairments({.duplicateRate = 1.0});
    ASSERT_TRUE(run({"=", "=", "*"}, {.transmissions = 4}));
    EXPECT_EQ(lookup.results().size(), 3u);
    EXPECT_GE(laserNames.counters().lookups, 4u);
}

// The set the look-up keeps its replies' addresses in grows past its first table without
// losing or confusing any: keys that differ in one field only are all kept apart.
TEST(TupleAddressSet, KeepsEveryDistinctAddressOnceAcrossGrowth) {
    TupleAddressSet seen;
    for (int network = 0; network < 40; ++network)
        for (int enumerator = 0; enumerator < 256; ++enumerator)
            ASSERT_TRUE(seen.insert(TupleAddressSet::pack(static_cast<std::uint16_t>(network * 1000), 128, 130,
                                                          static_cast<std::uint8_t>(enumerator))));
    EXPECT_EQ(seen.size(), 40u * 256u);
    EXPECT_FALSE(seen.insert(TupleAddressSet::pack(39000, 128, 130, 255)));
    EXPECT_TRUE(seen.insert(TupleAddressSet::pack(39000, 129, 130, 255)));
    EXPECT_TRUE(seen.insert(TupleAddressSet::pack(39000, 128, 131, 255)));
    seen.clear();
    EXPECT_TRUE(seen.insert(TupleAddressSet::pack(0, 128, 130, 0)));
}

TEST_F(NbpLookupTest, RepliesNamingNoPossibleDeviceAreDroppedAndCountedAsMalformed) {
    // A node that answers every LkUp with one real entity and many impossible ones.
    Node& liar = net.addNode(150, NodeRole::Server);
    const auto entity = [](std::uint16_t network, std::uint8_t node, std::uint8_t socket, NbpName name) {
        return nbp::NbpTuple{network, node, socket, 0, std::move(name)};
    };
    const std::vector<nbp::NbpTuple> answers{
        entity(0, 150, 130, {"Real", "LaserWriter", "*"}),
        entity(0, 150, 131, {"=", "LaserWriter", "*"}),
        entity(0, 150, 132, {"Wild\xC5", "LaserWriter", "*"}),
        entity(0, 150, 133, {"", "LaserWriter", "*"}),
        entity(0, 150, 134, {std::string("Nul\0Name", 8), "LaserWriter", "*"}),
        entity(0, 150, 135, {"Zone", "LaserWriter", "="}),
        entity(0, 0, 136, {"Node zero", "LaserWriter", "*"}),
        entity(0, 255, 137, {"Node 255", "LaserWriter", "*"}),
        entity(0, 150, 0, {"Socket zero", "LaserWriter", "*"}),
    };
    liar.openSocket(2, [&](const Datagram& d) {
        const auto packet = nbp::NbpPacket::parse(d.data);
        if (!packet || packet->function != nbp::NbpFunction::Lookup) return;
        for (const auto& reply : nbp::NbpPacket::lookupReplies(packet->id, answers))
            liar.send(
                Datagram{{0, packet->tuples[0].node, packet->tuples[0].socket}, {0, 0, 2}, 2, 0, reply.serialize()});
    });
    ASSERT_TRUE(run({"=", "LaserWriter", "*"}, {.transmissions = 1}));
    EXPECT_EQ(objectsFound(), (std::vector<std::string>{"Mona", "Probe Printer", "Real"}));
    EXPECT_EQ(lookup.malformedReplies(), answers.size() - 1);

    // On an extended cable every node has a network number: 0 is no one's.
    completions.clear();
    ASSERT_TRUE(run({"Real", "LaserWriter", "*"}, {.transmissions = 1, .extendedCable = true}));
    EXPECT_TRUE(lookup.results().empty());
    liar.closeSocket(2);
}

struct ReplyFilterRow {
    std::string what;
    NbpName pattern;
    std::string knownZone;
    std::vector<std::string> objects; // kept, from the liar's answers and the honest registries
    std::size_t mismatched;
};

TEST_F(NbpLookupTest, OnlyTuplesAnsweringThePatternAreKeptAndTheOthersCounted) {
    // A node that answers every LkUp with the same devices, whatever was asked.
    Node& liar = net.addNode(150, NodeRole::Server);
    const auto entity = [](std::uint8_t socket, NbpName name) { return nbp::NbpTuple{0, 150, socket, 0, name}; };
    const std::vector<nbp::NbpTuple> answers{
        entity(130, {"Writer", "ImageWriter", "Elsewhere"}),
        entity(131, {"Evil Laser", "LaserWriter", "Elsewhere"}),
        entity(132, {"Evil Laser", "LaserWriter", "Hostile"}),
        entity(133, {"\x83TOILE", "LaserWriter", "hostile"}), // ÉTOILE, the zone in lower case
        entity(134, {"Star", "LaserWriter", "*"}),
    };
    liar.openSocket(2, [&](const Datagram& d) {
        const auto packet = nbp::NbpPacket::parse(d.data);
        if (!packet || packet->function != nbp::NbpFunction::Lookup) return;
        for (const auto& reply : nbp::NbpPacket::lookupReplies(packet->id, answers))
            liar.send(
                Datagram{{0, packet->tuples[0].node, packet->tuples[0].socket}, {0, 0, 2}, 2, 0, reply.serialize()});
    });
    const std::vector<ReplyFilterRow> rows = {
        {"type and zone",
         {"=", "LaserWriter", "Hostile"},
         "",
         {"Evil Laser", "Mona", "Probe Printer", "Star", "\x83TOILE"},
         2},
        {"accented letters fold", {"\x8Etoile", "laserwriter", "HOSTILE"}, "", {"\x83TOILE"}, 4},
        {"diacritics count", {"Etoile", "LaserWriter", "Hostile"}, "", {}, 5},
        {"partial wildcard", {"Evil\xC5", "=", "Elsewhere"}, "", {"Evil Laser"}, 4},
        {"this zone, known",
         {"=", "=", "*"},
         "Elsewhere",
         {"Evil Laser", "Mona", "Probe Printer", "Star", "Studio Mona", "Writer"},
         2},
        {"this zone, unknown",
         {"=", "=", "*"},
         "",
         {"Evil Laser", "Evil Laser", "Mona", "Probe Printer", "Star", "Studio Mona", "Writer", "\x83TOILE"},
         0},
    };
    for (const auto& row : rows) {
        completions.clear();
        ASSERT_TRUE(run(row.pattern, {.transmissions = 1, .knownZone = row.knownZone})) << row.what;
        EXPECT_EQ(objectsFound(), row.objects) << row.what;
        EXPECT_EQ(lookup.mismatchedReplies(), row.mismatched) << row.what;
        EXPECT_EQ(lookup.malformedReplies(), 0u) << row.what;
    }
    liar.closeSocket(2);
}

TEST_F(NbpLookupTest, LostFramesAreMadeUpForByTheRepeats) {
    net.wire.setImpairments({.lossRate = 0.4});
    ASSERT_TRUE(run({"=", "=", "*"}, {.transmissions = 8}));
    EXPECT_EQ(objectsFound(), (std::vector<std::string>{"Mona", "Probe Printer", "Studio Mona"}));
}

TEST_F(NbpLookupTest, TheLookupStopsEarlyAtTheMaximumNumberOfTuples) {
    for (int i = 0; i < 20; ++i) studioNames.registerName({"Volume " + std::to_string(i), "AFPServer", "*"}, 140);
    const SteadyTime begin = net.clock.now();
    ASSERT_TRUE(run({"=", "AFPServer", "*"}, {.interval = 1s, .transmissions = 3, .maxTuples = 5}));
    EXPECT_EQ(completions, std::vector<NbpLookupStatus>{NbpLookupStatus::MaxReached});
    EXPECT_EQ(lookup.results().size(), 5u);
    EXPECT_EQ(net.clock.now(), begin);
    net.advance(5s);
    EXPECT_EQ(requestsOnWire.size(), 1u) << "no repeat after it stopped";
}

TEST_F(NbpLookupTest, NamesRegisteredOnTheAskingNodeItselfAreFoundToo) {
    NbpRegistry own{client};
    own.registerName({"My Mac", "Workstation", "*"}, 250);
    ASSERT_TRUE(run({"=", "Workstation", "*"}, {.transmissions = 1}));
    EXPECT_EQ(objectsFound(), std::vector<std::string>{"My Mac"});
}

TEST_F(NbpLookupTest, WithARouterTheRequestIsABrRqAndRepliesInZoneStarTakeTheZoneAskedFor) {
    Node& routerNode = net.addNode(254, NodeRole::Server);
    ScriptedRouter router{routerNode, 1, "LToUDP Zone"};
    for (Node* node : {&client, &laser, &studio}) node->setThisNet(1);
    client.setARouter(routerNode.nodeId());
    ASSERT_TRUE(run({"=", "LaserWriter", "LToUDP Zone"}, {.transmissions = 2}));
    EXPECT_EQ(objectsFound(), (std::vector<std::string>{"Mona", "Probe Printer"}));
    EXPECT_EQ(router.brRqs, 2);
    ASSERT_EQ(requestsOnWire.size(), 2u);
    EXPECT_EQ(requestsOnWire[0].function, nbp::NbpFunction::BroadcastRequest);
    EXPECT_EQ(requestsOnWire[0].tuples[0].name.zone, "LToUDP Zone");
    EXPECT_EQ(requestsOnWire[0].tuples[0].network, 1);
    for (const auto& tuple : lookup.results()) {
        EXPECT_EQ(tuple.name.zone, "LToUDP Zone");
        EXPECT_EQ(tuple.network, 1);
    }
}

TEST_F(NbpLookupTest, ResultsAreReadableWhileItRuns) {
    ASSERT_TRUE(lookup.start({"=", "=", "*"}, {.interval = 1s, .transmissions = 3}, {}));
    net.run();
    EXPECT_TRUE(lookup.isRunning());
    EXPECT_EQ(lookup.results().size(), 3u);
    net.advance(3s);
    EXPECT_EQ(lookup.status(), NbpLookupStatus::Done);
}

TEST_F(NbpLookupTest, BadPatternsABusyLookupAndCancellation) {
    EXPECT_FALSE(lookup.start({"", "LaserWriter", "*"}, {}, {}));
    EXPECT_FALSE(lookup.start({"\xC5"
                               "a\xC5",
                               "LaserWriter", "*"},
                              {}, {}));
    EXPECT_FALSE(lookup.start({"=", std::string(33, 'x'), "*"}, {}, {}));
    EXPECT_FALSE(lookup.start({"=", "=", "*"}, {.transmissions = 0}, {}));
    EXPECT_FALSE(lookup.start({"=", "=", "*"}, {.interval = 0s}, {}));
    ASSERT_TRUE(lookup.start({"=", "=", "*"}, {}, [this](NbpLookupStatus s) { completions.push_back(s); }));
    EXPECT_FALSE(lookup.start({"=", "=", "*"}, {}, {}));
    lookup.cancel();
    net.advance(10s);
    EXPECT_TRUE(completions.empty());
    EXPECT_EQ(lookup.status(), NbpLookupStatus::Cancelled);
}

} // namespace
} // namespace appletalk
