// SPDX-License-Identifier: MIT
// A 10 MB print job through the stack, beside the PAP and ATP packets of the same job encoded
// and decoded alone, and the same job between two nodes over LToUDP on loopback.
//
// In-process: a workstation's PapClient and a printer's PapServer (which counts and drops
// the bytes) on an in-process wire, on virtual time, so the figure is the CPU the stack spends
// (LLAP, DDP, ATP exactly-once with its cache and releases, PAP), not waiting. The baseline
// builds the SendData, the eight Data responses and the TRel of every 4 KB round, frames them
// (ATP, DDP, LLAP) and reads them back, with no node. Over LToUDP the two nodes share one EventLoop on the system clock, sending
// through the kernel's loopback multicast (interface 127.0.0.1, TTL 0, a private port).
#include "BenchFraming.h"

#include "appletalk/node/EventLoop.h"
#include "appletalk/node/ManualClock.h"
#include "appletalk/node/Node.h"
#include "appletalk/node/SystemClock.h"
#include "appletalk/node/VirtualTimeDriver.h"
#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"
#include "appletalk/node/ltoudp/LToUdpLink.h"
#include "appletalk/protocols/atp/AtpPacket.h"
#include "appletalk/protocols/pap/PapPacket.h"
#include "appletalk/services/pap/PapClient.h"
#include "appletalk/services/pap/PapServer.h"
#include "appletalk/services/pap/PapStatusServer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vidur::bench {
namespace {

using namespace appletalk;
using namespace std::chrono_literals;

constexpr std::size_t kJobBytes = 10 * 1000 * 1000;
// Written as `vidur print` writes: 64 KB reads, at most 512 KB waiting for the printer.
constexpr std::size_t kChunk = 64 * 1024;
constexpr std::size_t kHighWater = 512 * 1024;
constexpr std::uint8_t kPrinterSocket = 130;
constexpr std::uint8_t kAtpType = 3;

std::vector<std::uint8_t> jobBytes() {
    std::vector<std::uint8_t> bytes(kJobBytes);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 131 + 7);
    return bytes;
}

// A printer that takes every job and counts its bytes.
struct Printer {
    Printer(Node& node)
        : status(node, kPrinterSocket, "status: idle"), server(node, status, [this] {
              PapServerEvents events;
              events.data = [this](PapServerJob&, std::span<const std::uint8_t> b) { received += b.size(); };
              events.endOfJob = [](PapServerJob& job) { job.finish(); };
              return events;
          }()) {}
    PapStatusServer status;
    PapServer server;
    std::uint64_t received = 0;
};

// Feeds the job into a client as the printer takes it, and records how it ended.
struct Feeder {
    Feeder(PapClient& papClient, const std::vector<std::uint8_t>& bytes) : client(papClient), job(bytes) {}
    void fill() {
        while (offset < job.size() && client.queuedBytes() < kHighWater) {
            const std::size_t size = std::min(kChunk, job.size() - offset);
            client.write(std::span(job).subspan(offset, size));
            offset += size;
        }
        if (offset == job.size() && !finished) {
            finished = true;
            client.finish();
        }
    }
    PapClientEvents events(std::function<void(PapJobResult)> done) {
        PapClientEvents e;
        e.drained = [this] { fill(); };
        e.finished = std::move(done);
        return e;
    }
    PapClient& client;
    const std::vector<std::uint8_t>& job;
    std::size_t offset = 0;
    bool finished = false;
};

NodeConfig configFor(std::uint8_t id, NodeRole role) {
    NodeConfig config;
    config.acquisition.role = role;
    config.acquisition.preferredId = id;
    config.seed = id;
    return config;
}

void BM_PapJobThroughStack(benchmark::State& state) {
    ManualClock clock;
    MemoryWire wire(clock, 1);
    VirtualTimeDriver driver(clock);
    auto workstationLink = wire.connect();
    auto printerLink = wire.connect();
    Node workstation(clock, *workstationLink, configFor(20, NodeRole::Workstation));
    Node printerNode(clock, *printerLink, configFor(130, NodeRole::Server));
    driver.add(workstation);
    driver.add(printerNode);
    workstation.start();
    printerNode.start();
    driver.advanceUntil([&] { return workstation.isReady() && printerNode.isReady(); }, 10s);
    Printer printer(printerNode);
    const auto job = jobBytes();
    for (auto _ : state) {
        PapClient client(workstation);
        Feeder feeder(client, job);
        std::optional<PapJobResult> result;
        client.open({0, printerNode.nodeId(), kPrinterSocket},
                    feeder.events([&result](PapJobResult r) { result = r; }));
        feeder.fill();
        driver.advanceUntil([&] { return result.has_value(); }, 1h);
        if (result != PapJobResult::Done) state.SkipWithError("the job did not finish");
        driver.advance(1s); // the printer's side of the close
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kJobBytes));
    state.counters["received_MB"] =
        static_cast<double>(printer.received) / 1e6 / static_cast<double>(state.iterations());
    driver.remove(workstation);
    driver.remove(printerNode);
}
BENCHMARK(BM_PapJobThroughStack)->Unit(benchmark::kMillisecond);

void BM_PapJobCodec(benchmark::State& state) {
    const auto job = jobBytes();
    constexpr std::size_t kRound = 8 * pap::kMaxDataPerPacket;
    constexpr std::uint8_t kWorkstation = 20, kPrinter = 130, kWorkstationSocket = 200;
    const DdpAddress workstation{0, kWorkstation, kWorkstationSocket};
    const DdpAddress printer{0, kPrinter, kPrinterSocket};
    // Framed as the two nodes frame them on one cable (short DDP headers), and read back.
    const auto carry = [](const DdpAddress& to, const DdpAddress& from, std::vector<std::uint8_t> atp) {
        const auto bytes = frame(Datagram{to, from, kAtpType, 0, std::move(atp)}, to.node, from.node, false);
        return atp::AtpPacket::parse(unframe(bytes, 0)->data);
    };
    for (auto _ : state) {
        std::vector<std::uint8_t> sink;
        sink.reserve(kJobBytes);
        std::uint16_t tid = 1, sequence = 1;
        for (std::size_t offset = 0; offset < job.size(); offset += kRound, ++tid) {
            const auto request =
                atp::AtpPacket::request(tid, 0xFF, *pap::PapPacket::sendData(1, sequence++).serialize(), true);
            benchmark::DoNotOptimize(
                pap::PapPacket::parse(carry(workstation, printer, request.serialize())->payload()));
            for (std::uint8_t seq = 0; seq < 8 && offset + seq * pap::kMaxDataPerPacket < job.size(); ++seq) {
                const std::size_t begin = offset + seq * pap::kMaxDataPerPacket;
                const std::size_t end = std::min(begin + pap::kMaxDataPerPacket, job.size());
                const bool eof = end == job.size();
                const auto data = pap::PapPacket::dataPacket(1, {job.begin() + begin, job.begin() + end}, eof);
                const auto response = atp::AtpPacket::response(tid, seq, *data.serialize(), seq == 7 || eof);
                const auto parsed = pap::PapPacket::parse(carry(printer, workstation, response.serialize())->payload());
                sink.insert(sink.end(), parsed->data.begin(), parsed->data.end());
            }
            benchmark::DoNotOptimize(carry(workstation, printer, atp::AtpPacket::release(tid).serialize()));
        }
        if (sink.size() != kJobBytes) state.SkipWithError("the codec lost bytes");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kJobBytes));
}
BENCHMARK(BM_PapJobCodec)->Unit(benchmark::kMillisecond);

void BM_PapJobOverLToUdpLoopback(benchmark::State& state) {
    SystemClock clock;
    LToUdpConfig config;
    config.ttl = 0;
    config.port = static_cast<std::uint16_t>(40000 + ::getpid() % 20000);
    std::string error;
    auto workstationLink = LToUdpLink::open(config, error);
    auto printerLink = LToUdpLink::open(config, error);
    if (!workstationLink || !printerLink) {
        state.SkipWithError(("LToUDP on loopback: " + error).c_str());
        return;
    }
    Node workstation(clock, *workstationLink, configFor(20, NodeRole::Workstation));
    Node printerNode(clock, *printerLink, configFor(130, NodeRole::Server));
    EventLoop loop(clock);
    loop.add(workstation);
    loop.add(printerNode);
    loop.start();
    loop.invoke([&] {
        workstation.start();
        printerNode.start();
    });
    while (!loop.invoke([&] { return workstation.isReady() && printerNode.isReady(); }))
        std::this_thread::sleep_for(50ms);
    std::unique_ptr<Printer> printer;
    loop.invoke([&] { printer = std::make_unique<Printer>(printerNode); });
    const auto job = jobBytes();
    for (auto _ : state) {
        std::promise<PapJobResult> done;
        std::unique_ptr<PapClient> client;
        std::unique_ptr<Feeder> feeder;
        loop.invoke([&] {
            client = std::make_unique<PapClient>(workstation);
            feeder = std::make_unique<Feeder>(*client, job);
            client->open({0, printerNode.nodeId(), kPrinterSocket},
                         feeder->events([&done](PapJobResult r) { done.set_value(r); }));
            feeder->fill();
        });
        if (done.get_future().get() != PapJobResult::Done) state.SkipWithError("the job did not finish");
        loop.invoke([&] {
            client.reset();
            feeder.reset();
        });
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kJobBytes));
    loop.invoke([&] { printer.reset(); });
    loop.stop();
}
BENCHMARK(BM_PapJobOverLToUdpLoopback)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace vidur::bench
