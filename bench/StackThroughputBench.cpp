// The stack's throughput on the in-process wire, beside the cost of the packets alone.
//
// A look-up that finds 10,000 devices: the client sends a BrRq to the simulated router, which
// turns it into LkUps on the four networks of the zone, whose device nodes answer with
// LkUp-Replies (15 tuples at most a packet) that travel back through the router. A zone list
// of 2,000 zones: the ZIP client pages through GetZoneList, one ATP transaction a page. Both
// run on virtual time, so the figures are the CPU the stack spends (LLAP, DDP, routing,
// services), not waiting. The baselines serialize and parse the same packets with no node.
#include "BenchInternet.h"

#include "appletalk/protocols/atp/AtpPacket.h"
#include "appletalk/protocols/nbp/NbpPacket.h"
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
        options.maxTuples = kDevices;  // complete on the last tuple, not at the end of the interval
        lookup.start({"=", "LaserWriter", "Bench"}, options, [&](NbpLookupStatus s) { status = s; });
        internet.driver().advanceUntil([&] { return status.has_value(); }, 10s);
        if (status != NbpLookupStatus::MaxReached) {
            state.SkipWithError("the look-up did not find every device");
            return;
        }
        found += lookup.results().size();
        framesIn += internet.client().counters().datagramsDelivered - before.datagramsDelivered;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(found));  // tuples per second
    state.counters["reply_packets"] = static_cast<double>(framesIn) / static_cast<double>(state.iterations());
    state.counters["names_per_node"] = namesPerNode;
}
BENCHMARK(BM_NbpLookupThroughStack)->Arg(10)->Arg(100)->ArgName("nodes_per_net")->Unit(benchmark::kMillisecond);

std::vector<nbp::NbpTuple> deviceTuples() {
    std::vector<nbp::NbpTuple> tuples;
    tuples.reserve(kDevices);
    for (std::size_t i = 0; i < kDevices; ++i) {
        char object[33];
        std::snprintf(object, sizeof object, "Device %05zu", i);
        tuples.push_back({static_cast<std::uint16_t>(2 + i % kDeviceNetworks), static_cast<std::uint8_t>(128 + i % 10),
                          130, static_cast<std::uint8_t>(i % 250), {object, "LaserWriter", "*"}});
    }
    return tuples;
}

// The same LkUp-Reply packets, serialized and parsed back, with no node or wire.
void BM_NbpReplyCodec(benchmark::State& state) {
    const auto tuples = deviceTuples();
    std::size_t decoded = 0;
    for (auto _ : state) {
        std::vector<nbp::NbpTuple> received;
        received.reserve(kDevices);
        for (const auto& packet : nbp::NbpPacket::lookupReplies(7, tuples)) {
            const auto bytes = packet.serialize();
            auto parsed = nbp::NbpPacket::parse(bytes);
            if (!parsed) {
                state.SkipWithError("a reply did not parse");
                return;
            }
            for (auto& tuple : parsed->tuples) received.push_back(std::move(tuple));
        }
        decoded += received.size();
        benchmark::DoNotOptimize(received.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(decoded));
}
BENCHMARK(BM_NbpReplyCodec)->Unit(benchmark::kMillisecond);

// ---- ZIP: a zone list of 2,000 zones --------------------------------------------------------

// Names of 9 to 32 bytes, varied as real zone names are.
std::vector<std::string> zoneNames() {
    static const char* const kWords[] = {"Sales", "Engineering", "Lab", "Annex", "Floor", "North Wing",
                                         "Print Room", "B", "Accounts Payable", "Library"};
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
        ports.push_back(RouterPortConfig::extendedRange(network, static_cast<std::uint16_t>(network + 9),
                                                        {zones.begin() + static_cast<std::ptrdiff_t>(first),
                                                         zones.begin() + static_cast<std::ptrdiff_t>(last)}));
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
    state.SetItemsProcessed(static_cast<std::int64_t>(listed));  // zones per second
    state.counters["atp_requests"] = static_cast<double>(requests) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ZipZoneListThroughStack)->Unit(benchmark::kMillisecond);

// The same pages as ATP responses: what the router builds and the client reads, no node.
void BM_ZipZoneListCodec(benchmark::State& state) {
    const auto zones = zoneNames();
    std::size_t decoded = 0;
    for (auto _ : state) {
        std::vector<std::string> received;
        std::uint16_t index = 1;
        for (;;) {
            const auto request = atp::AtpPacket::request(index, 0x01, {zip::ZipAtpRequest::getZoneList(index).serialize(), {}});
            const auto asked = zip::ZipAtpRequest::parse(atp::AtpPacket::parse(request.serialize())->userBytes);
            const auto page = zip::ZipZoneListReply::page(zones, asked->startIndex);
            const auto bytes = atp::AtpPacket::response(index, 0, *page->serialize(), true).serialize();
            const auto packet = atp::AtpPacket::parse(bytes);
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
