// The process-wide stack on virtual time for one test: the embedded default network (the
// built-in scenario) or a link of the test's own, no thread of its own, every library call
// running on the test's thread, and time moved by a VirtualTimeDriver. Seconds of protocol
// take microseconds and every run is the same.
#pragma once

#include "ScopedEnvironment.h"

#include "appletalk/api/EmbeddedNetwork.h"
#include "appletalk/api/Stack.h"
#include "appletalk/node/ManualClock.h"
#include "appletalk/node/VirtualTimeDriver.h"

#include <chrono>
#include <functional>
#include <memory>

namespace appletalk::api::testing {

class VirtualStack {
public:
    explicit VirtualStack(Link* link = nullptr, std::uint64_t seed = 7) {
        StackOptions options;
        options.clock = &clock;
        options.ownThread = false;
        options.link = link;
        options.seed = seed;
        stack = std::make_shared<Stack>(StackSettings::load(), options);
        driver.add(stack->pollable());
        Stack::install(stack);
    }
    ~VirtualStack() {
        Stack::install(nullptr);
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

    ScopedEnvironment environment;  // first: the stack reads its settings from here
    ManualClock clock;
    VirtualTimeDriver driver{clock};
    std::shared_ptr<Stack> stack;
};

} // namespace appletalk::api::testing
