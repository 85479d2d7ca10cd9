// SPDX-License-Identifier: MIT
// The process-wide stack on virtual time for one test: the embedded default network (the
// built-in scenario) or a link of the test's own, no thread of its own, every library call
// running on the test's thread, and time moved by a VirtualTimeDriver. Seconds of protocol
// take microseconds and every run is the same.
#pragma once

#include "support/ScopedEnvironment.h"

#include "appletalk/node/ManualClock.h"
#include "appletalk/node/VirtualTimeDriver.h"
#include "appletalk/runtime/EmbeddedNetwork.h"
#include "appletalk/runtime/Stack.h"

#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

namespace appletalk::testing {

// The client on an extended cable: one router, two zones there, a LocalTalk network beside.
inline constexpr const char* kExtendedCable = R"(client_network = 100
[[network]]
range = [100, 103]
zones = ["Finance", "Design Studio"]
default_zone = "Finance"
[[network]]
number = 2
zone = "Marketing"
)";

class VirtualStack {
public:
    // `network`, when given, is a VIDUR_NETWORK value (a scenario file of the test's own).
    explicit VirtualStack(Link* link = nullptr, std::uint64_t seed = 7, const std::string& network = {}) {
        if (!network.empty()) environment.set("VIDUR_NETWORK", network);
        runtime::StackOptions options;
        options.clock = &clock;
        options.ownThread = false;
        options.link = link;
        options.seed = seed;
        stack = std::make_shared<runtime::Stack>(runtime::StackSettings::load(), options);
        driver.add(stack->pollable());
        runtime::Stack::install(stack);
    }
    ~VirtualStack() {
        runtime::Stack::install(nullptr);
        driver.remove(stack->pollable());
    }
    VirtualStack(const VirtualStack&) = delete;
    VirtualStack& operator=(const VirtualStack&) = delete;

    // Moves virtual time until `done` holds; false if `limit` passed first.
    bool runUntil(const std::function<bool()>& done, Duration limit = std::chrono::seconds(30)) {
        return driver.advanceUntil(done, limit);
    }
    void advance(Duration duration) { driver.advance(duration); }

    // The node has its address, its router and its zone.
    bool start() {
        return runUntil([this] { return stack->network().nodeInfo().has_value(); });
    }

    sim::SimInternet& internet() { return *stack->embedded()->internet(); }

    // A scenario file in a folder of its own, removed with it; the value for `network`.
    static std::string scenarioFile(const ScopedEnvironment& where, const std::string& name, const std::string& text) {
        const auto path = where.profileDir() / name;
        std::ofstream(path) << text;
        return "sim:" + path.string();
    }

    ScopedEnvironment environment; // first: the stack reads its settings from here
    ManualClock clock;
    VirtualTimeDriver driver{clock};
    std::shared_ptr<runtime::Stack> stack;
};

} // namespace appletalk::testing
