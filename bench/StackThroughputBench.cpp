// SPDX-License-Identifier: MIT
// The stack's throughput on the in-process wire, beside the cost of the packets alone.
//
// A look-up that finds 10,000 devices: the client sends a BrRq to the simulated router, which
// turns it into LkUps on the four networks of the zone, whose device nodes answer with
// LkUp-Replies (15 tuples at most a packet) that travel back through the router. A zone list
// of 2,000 zones: the ZIP client pages through GetZoneList, one ATP transaction a page. Both
// run on virtual time, so the figures are the CPU the stack spends (LLAP, DDP, routing,
// services), not waiting. The baselines carry the same packets with no node: built, framed
// (NBP or ATP, DDP, LLAP), read and framed again at each hop, as the nodes do.
#include "BenchFraming.h"
#include "BenchInternet.h"

#include "appletalk/protocols/atp/AtpPacket.h"
#include "appletalk/protocols/llap/LlapFrame.h"
#include "appletalk/protocols/nbp/NbpMatch.h"
#include "appletalk/protocols/nbp/NbpPacket.h"
#include "appletalk/protocols/nbp/NbpZoneRule.h"
#include "appletalk/protocols/zip/ZipAtpRequest.h"
#include "appletalk/protocols/zip/ZipZoneListReply.h"
#include "appletalk/services/nbp/NbpLookup.h"
#include "appletalk/services/zip/ZipClient.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace vidur::bench {
namespace {

using namespace appletalk;
using namespace std::chrono_literals;
using sim::RouterPortConfig;

constexpr int kDeviceNetworks = 4;
constexpr std::size_t kDevices = 10'000;
constexpr std::size_t kZones = 2'000;
constexpr int kZonesPerExtendedPort = 250;

// ---- NBP: a look-up that finds 10,000 devices -------------------------------------------

std::vector<RouterPortConfig> lookupPorts() {
    std::vector<RouterPortConfig> ports{RouterPortConfig::localTalk(1, "Home")};
    for (int i = 0; i < kDeviceNetworks; ++i)
        ports.push_back(RouterPortConfig::localTalk(static_cast<std::uint16_t>(2 + i), "Bench"));
    return ports;
}

// Arg 0: device nodes per network; the names are spread evenly over them.
void BM_NbpLookupThroughStack(benchmark::State& state) {
    const int nodesPerNetwork = static_cast<int>(state.range(0));
    const int namesPerNode = static_cast<int>(kDevices) / (kDeviceNetworks * nodesPerNetwork);
    BenchInternet internet(lookupPorts());
    std::size_t registered = 0;
    for (int port = 1; port <= kDeviceNetworks; ++port)
        registered += internet.addDevices(static_cast<std::size_t>(port), nodesPerNetwork, namesPerNode, "LaserWriter");
    if (registered != kDevices) {
        state.SkipWithError("not every name could be registered");
        return;
    }
    std::size_t found = 0;
    std::uint64_t framesIn = 0;
    for (auto _ : state) {
        const auto before = internet.client().counters();
        NbpLookup lookup{internet.client()};
        std::optional<NbpLookupStatus> status;
        NbpLookupOptions options;
        options.maxTuples = kDevices; // complete on the last tuple, not at the end of the interval
        lookup.start({"=", "LaserWriter", "Bench"}, options, [&](NbpLookupStatus s) { status = s; });
        internet.driver().advanceUntil([&] { return status.has_value(); }, 10s);
        if (status != NbpLookupStatus::MaxReached) {
            state.SkipWithError("the look-up did not find every device");
            return;
        }
        found += lookup.results().size();
        framesIn += internet.client().counters().datagramsDelivered - before.datagramsDelivered;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(found)); // tuples per second
    state.counters["reply_packets"] = static_cast<double>(framesIn) / static_cast<double>(state.iterations());
    state.counters["names_per_node"] = namesPerNode;
}
BENCHMARK(BM_NbpLookupThroughStack)->Arg(10)->Arg(100)->ArgName("nodes_per_net")->Unit(benchmark::kMillisecond);

// ---- The packets alone, framed as on the wire -----------------------------------------------

constexpr std::uint8_t kNbpType = 2;
constexpr std::uint8_t kAtpType = 3;

// The look-up's own work with no node, wire, timer or router table: every device node reads
// the LkUp (LLAP, DDP, NBP), matches its names and frames its LkUp-Replies (NBP, DDP long
// header with checksum, LLAP); the router reads each reply and frames it again for the
// client's cable; the client reads it and takes its tuples. The same packets the look-up
// through the stack carries, at each hop.
void BM_NbpReplyCodec(benchmark::State& state) {
    const int nodesPerNetwork = static_cast<int>(state.range(0));
    const int namesPerNode = static_cast<int>(kDevices) / (kDeviceNetworks * nodesPerNetwork);
    struct DeviceNode {
        std::uint16_t network;
        std::uint8_t node;
        std::vector<nbp::NbpName> names;
    };
    std::vector<DeviceNode> nodes;
    int next = 0;
    for (int net = 0; net < kDeviceNetworks; ++net) {
        for (int n = 0; n < nodesPerNetwork; ++n) {
            DeviceNode device{static_cast<std::uint16_t>(2 + net), static_cast<std::uint8_t>(128 + n % 120), {}};
            for (int k = 0; k < namesPerNode; ++k) {
                char object[33];
                std::snprintf(object, sizeof object, "Device %05d", next++);
                device.names.push_back({object, "LaserWriter", "*"});
            }
            nodes.push_back(std::move(device));
        }
    }
    const nbp::NbpName pattern{"=", "LaserWriter", "Bench"};
    const nbp::NbpTuple requester{1, 200, 253, 0, pattern};
    const auto zoneRule = nbp::NbpZoneRule::anyZone();
    std::size_t decoded = 0;
    for (auto _ : state) {
        std::vector<nbp::NbpTuple> received;
        received.reserve(kDevices);
        for (int net = 0; net < kDeviceNetworks; ++net) {
            // The router's LkUp, broadcast on each network of the zone.
            const Datagram lkUp{{static_cast<std::uint16_t>(2 + net), DdpAddress::kBroadcastNode, 2},
                                {1, 254, 2},
                                kNbpType,
                                1,
                                nbp::NbpPacket::request(nbp::NbpFunction::Lookup, 7, requester).serialize()};
            const auto lkUpFrame = frame(lkUp, LlapFrame::kBroadcast, 254, true);
            for (const DeviceNode& device : nodes) {
                if (device.network != 2 + net) continue;
                const auto asked = unframe(lkUpFrame, device.network);
                const auto lookup = asked ? nbp::NbpPacket::parse(asked->data) : std::nullopt;
                if (!lookup) {
                    state.SkipWithError("a LkUp did not parse");
                    return;
                }
                std::vector<nbp::NbpTuple> matching;
                std::uint8_t enumerator = 0;
                for (const auto& name : device.names)
                    if (nbp::matches(lookup->tuples.front().name, name, zoneRule))
                        matching.push_back({device.network, device.node, 130, ++enumerator, name});
                const nbp::NbpTuple& to = lookup->tuples.front();
                for (const auto& reply : nbp::NbpPacket::lookupReplies(lookup->id, matching)) {
                    const Datagram out{{to.network, to.node, to.socket},
                                       {device.network, device.node, 2},
                                       kNbpType,
                                       0,
                                       reply.serialize()};
                    const auto hop1 = frame(out, 254, device.node, true);
                    auto routed = unframe(hop1, device.network);
                    if (!routed) {
                        state.SkipWithError("the router could not read a reply");
                        return;
                    }
                    ++routed->hopCount;
                    const auto hop2 = frame(*routed, to.node, 254, true);
                    const auto arrived = unframe(hop2, 1);
                    auto parsed = arrived ? nbp::NbpPacket::parse(arrived->data) : std::nullopt;
                    if (!parsed) {
                        state.SkipWithError("a reply did not parse");
                        return;
                    }
                    for (auto& tuple : parsed->tuples) received.push_back(std::move(tuple));
                }
            }
        }
        if (received.size() != kDevices) {
            state.SkipWithError("not every device answered");
            return;
        }
        decoded += received.size();
        benchmark::DoNotOptimize(received.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(decoded));
}
BENCHMARK(BM_NbpReplyCodec)->Arg(10)->Arg(100)->ArgName("nodes_per_net")->Unit(benchmark::kMillisecond);

// ---- ZIP: a zone list of 2,000 zones --------------------------------------------------------

// Names of 9 to 32 bytes, varied as real zone names are.
std::vector<std::string> zoneNames() {
    static const char* const kWords[] = {
        "Sales", "Engineering",      "Lab",    "Annex", "Floor", "North Wing", "Print Room",
        "B",     "Accounts Payable", "Library"};
    std::vector<std::string> zones;
    for (std::size_t i = 0; i < kZones; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "%s %04zu %s", kWords[i % 10], i, kWords[(i * 7 + 3) % 10]);
        zones.push_back(std::string(name).substr(0, 32));
    }
    return zones;
}

std::vector<RouterPortConfig> zonePorts(const std::vector<std::string>& zones) {
    std::vector<RouterPortConfig> ports{RouterPortConfig::localTalk(1, zones.front())};
    std::uint16_t network = 100;
    for (std::size_t first = 1; first < zones.size(); first += kZonesPerExtendedPort) {
        const auto last = std::min(zones.size(), first + kZonesPerExtendedPort);
        ports.push_back(RouterPortConfig::extendedRange(
            network, static_cast<std::uint16_t>(network + 9),
            {zones.begin() + static_cast<std::ptrdiff_t>(first), zones.begin() + static_cast<std::ptrdiff_t>(last)}));
        network += 10;
    }
    return ports;
}

void BM_ZipZoneListThroughStack(benchmark::State& state) {
    const auto zones = zoneNames();
    BenchInternet internet(zonePorts(zones));
    std::size_t listed = 0;
    std::size_t requests = 0;
    for (auto _ : state) {
        ZipClient zip{internet.client()};
        std::optional<ZipStatus> status;
        zip.getZoneList([&](ZipStatus s) { status = s; });
        internet.driver().advanceUntil([&] { return status.has_value(); }, 60s);
        if (status != ZipStatus::Ok || zip.zones().size() != kZones) {
            state.SkipWithError("the zone list is not complete");
            return;
        }
        listed += zip.zones().size();
        requests += zip.requestsSent();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(listed)); // zones per second
    state.counters["atp_requests"] = static_cast<double>(requests) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ZipZoneListThroughStack)->Unit(benchmark::kMillisecond);

// The same pages with no node: each GetZoneList request built, framed (DDP short header,
// LLAP) and read by the router, the page cut from the list, its ATP response framed and read
// by the client.
void BM_ZipZoneListCodec(benchmark::State& state) {
    const auto zones = zoneNames();
    std::size_t decoded = 0;
    for (auto _ : state) {
        std::vector<std::string> received;
        std::uint16_t index = 1;
        for (;;) {
            const auto request =
                atp::AtpPacket::request(index, 0x01, {zip::ZipAtpRequest::getZoneList(index).serialize(), {}});
            const auto requestFrame =
                frame(Datagram{{1, 254, 6}, {1, 200, 253}, kAtpType, 0, request.serialize()}, 254, 200, false);
            const auto atRouter = unframe(requestFrame, 1);
            const auto asked = zip::ZipAtpRequest::parse(atp::AtpPacket::parse(atRouter->data)->userBytes);
            const auto page = zip::ZipZoneListReply::page(zones, asked->startIndex);
            const auto bytes = atp::AtpPacket::response(index, 0, *page->serialize(), true).serialize();
            const auto responseFrame = frame(Datagram{{1, 200, 253}, {1, 254, 6}, kAtpType, 0, bytes}, 200, 254, false);
            const auto atClient = unframe(responseFrame, 1);
            const auto packet = atp::AtpPacket::parse(atClient->data);
            const auto reply = zip::ZipZoneListReply::parse(packet->userBytes, packet->data);
            if (!reply) {
                state.SkipWithError("a page did not parse");
                return;
            }
            for (const auto& zone : reply->zones) received.push_back(zone);
            if (reply->last || reply->zones.empty()) break;
            index = static_cast<std::uint16_t>(index + reply->zones.size());
        }
        if (received.size() != kZones) {
            state.SkipWithError("the pages do not hold every zone");
            return;
        }
        decoded += received.size();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(decoded));
}
BENCHMARK(BM_ZipZoneListCodec)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vidur::bench
