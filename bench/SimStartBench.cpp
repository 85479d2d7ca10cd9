// SPDX-License-Identifier: MIT
// A simulated campus starting: 5,000 printers on one extended network of 21 numbers behind
// the router, from the scenario's text to every node holding its address and its services
// open, on the system clock and the thread that polls them (as `vidur sim` and the embedded
// network start). Counters: the heap the running internet holds, per device (mallinfo2).
#include "appletalk/node/SystemClock.h"
#include "appletalk/sim/Scenario.h"
#include "appletalk/sim/SimInternet.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

namespace vidur::bench {
namespace {

using namespace appletalk;

std::string campusText(int devices) {
    std::string text =
        "client_network = 1\n[[network]]\nnumber = 1\nzone = \"Home\"\n"
        "[[network]]\nrange = [100, 120]\nzones = [\"Campus\"]\n";
    for (int i = 1; i <= devices; ++i)
        text += "[[printer]]\nname = \"Laser " + std::to_string(i) + "\"\nzone = \"Campus\"\n";
    return text;
}

std::size_t heapInUse() { return mallinfo2().uordblks; }

void BM_SimulatorStartsACampus(benchmark::State& state) {
    const int devices = static_cast<int>(state.range(0));
    const std::string text = campusText(devices);
    SystemClock clock;
    double bytesPerDevice = 0;
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        sim::ScenarioError error;
        const auto scenario = sim::Scenario::parse(text, "campus.toml", error);
        if (!scenario) throw std::runtime_error(error.describe());
        auto internet = std::make_unique<sim::SimInternet>(clock, *scenario, 1);
        internet->start();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!internet->isReady()) {
            if (std::chrono::steady_clock::now() > deadline) {
                state.SkipWithError("the internet did not start within 60 s");
                break;
            }
            internet->poll();
        }
        state.PauseTiming();
        bytesPerDevice = static_cast<double>(heapInUse() - before) / devices;
        internet.reset();
        state.ResumeTiming();
    }
    state.counters["heap_per_device_bytes"] = bytesPerDevice;
}
BENCHMARK(BM_SimulatorStartsACampus)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace vidur::bench
