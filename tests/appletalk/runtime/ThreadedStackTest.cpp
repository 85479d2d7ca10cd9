// SPDX-License-Identifier: MIT
// The stack on its own thread, as a host runs it: requests dispatched from one thread, their
// blocks read and ended from others. Time is a ManualClock the test moves inside the stack's
// own tasks, so every wait is for the stack to have done something, never for time to pass.
// Meant to be run under the thread sanitizer too (VIDUR_TSAN).
#include "support/ScopedEnvironment.h"

#include "appletalk/node/ManualClock.h"
#include "appletalk/node/SystemClock.h"
#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"
#include "appletalk/node/ltoudp/LToUdpLink.h"
#include "appletalk/protocols/llap/LlapFrame.h"
#include "appletalk/runtime/ApiResults.h"
#include "appletalk/runtime/EmbeddedNetwork.h"
#include "appletalk/runtime/Stack.h"
#include "appletalk/sim/SimPrinter.h"
#include "tarvlib/DispatchBlockAccess.h"
#include "tarvlib/TarvlibApi.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace appletalk::runtime {

using api::DispatchBlockAccess;
namespace {

using namespace std::chrono_literals;

struct ThreadedStack : ::testing::Test {
    void SetUp() override {
        StackOptions options;
        options.clock = &clock;
        stack = std::make_shared<Stack>(StackSettings::load(), options);
        Stack::install(stack);
    }
    void TearDown() override { Stack::install(nullptr); }

    // Moves the clock by `duration`, deadline by deadline, each move a task on the stack's
    // thread; once the last task has run, everything due by then has been done.
    void advance(Duration duration) {
        const SteadyTime until = clock.now() + duration;
        while (stack->run([&] {
            const auto next = stack->pollable().nextDeadline();
            clock.advanceTo(next && *next < until ? *next : until);
            return clock.now() < until;
        })) {}
        stack->run([] {});
    }

    // A status block for a printer of the built-in network, read on the stack's thread.
    std::unique_ptr<_DispatchBlock> statusBlock(const char* name, const char* zone, Duration answerDelay = {}) {
        auto block = std::make_unique<_DispatchBlock>();
        _NBPTuple tuple;
        std::memset(&tuple, 0, sizeof tuple);
        stack->run([&] {
            sim::SimPrinter* printer = stack->embedded()->internet()->printer(name);
            printer->setAnswerDelay(answerDelay);
            NBPSetEntityName(&tuple.entity, name, printer->name().type.c_str(), zone);
            const DdpAddress address = printer->entityAddress();
            tuple.address = {address.network, address.node, address.socket};
        });
        DispatchBlockAccess::writeTuple(*block, DB_STATUS_TUPLE_OFFSET, tuple);
        block->command = ATALK_CMD_PRINTER_STATUS;
        return block;
    }

    bool started() {
        _DispatchBlock info{};
        info.command = ATALK_CMD_NODE_INFO;
        ATALKDispatch(&info);
        advance(std::chrono::seconds(10));
        return DispatchBlockAccess::loadResult(info) == kOk;
    }

    testing::ScopedEnvironment environment;
    ManualClock clock;
    std::shared_ptr<Stack> stack;
};

TEST_F(ThreadedStack, NodeInformationAskedAtStartIsCompletedFromTheStacksThread) {
    _DispatchBlock info{};
    info.command = ATALK_CMD_NODE_INFO;
    ASSERT_EQ(ATALKDispatch(&info), kOk);
    EXPECT_EQ(DispatchBlockAccess::loadResult(info), kInProgress) << "the node has not started yet";
    advance(10s);
    EXPECT_EQ(DispatchBlockAccess::loadResult(info), kOk);
    EXPECT_EQ(DispatchBlockAccess::readU16(info, DB_NODE_NETWORK_OFFSET), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(&info) + DB_NODE_ZONE_OFFSET, "Engineering");
}

TEST_F(ThreadedStack, AStatusReplyPolledFromAnotherThreadIsCompleteOnceTheResultReadsZero) {
    ASSERT_TRUE(started());
    auto block = statusBlock("Laser 2", "Engineering");
    ASSERT_EQ(ATALKDispatch(block.get()), kOk);
    advance(5s);
    // Read on a thread that never touched the stack: the result's release orders the text.
    auto reader = std::async(std::launch::async, [&block] {
        return std::make_pair(DispatchBlockAccess::loadResult(*block),
                              std::string(reinterpret_cast<const char*>(block.get()) + DB_STATUS_TEXT_OFFSET));
    });
    const auto [result, text] = reader.get();
    EXPECT_EQ(result, kOk);
    EXPECT_EQ(text, "status: printing; source: AppleTalk; job: Schematics");
}

TEST_F(ThreadedStack, AfterAnEndRequestCompletesTheStackNeverWritesIntoEitherBlockAgain) {
    ASSERT_TRUE(started());
    constexpr int kIterations = 150;
    struct Pair {
        std::unique_ptr<_DispatchBlock> status;
        _DispatchBlock end{};
    };
    std::vector<Pair> pairs(kIterations);
    for (int i = 0; i < kIterations; ++i) {
        // A fast printer races its answer against the end; a slow one is ended mid-request.
        const bool fast = i % 2 == 0;
        pairs[i].status = fast ? statusBlock("Laser 1", "Engineering") : statusBlock("Laser 2", "Engineering", 300ms);
        _DispatchBlock& status = *pairs[i].status;
        _DispatchBlock& end = pairs[i].end;
        ASSERT_EQ(ATALKDispatch(&status), kOk);
        // Ended from another thread, as a window closing on its own thread would.
        auto ender = std::async(std::launch::async, [&status, &end, i] {
            // A few turns of the scheduler, more or fewer, so the end meets the answer at
            // different points of its way.
            for (int turn = 0; turn < (i % 7) * 40; ++turn) std::this_thread::yield();
            end.command = ATALK_CMD_END_PRINTER;
            DispatchBlockAccess::writeU32(end, DB_REQUEST_ID_OFFSET,
                                          DispatchBlockAccess::readU32(status, DB_REQUEST_ID_OFFSET));
            ATALKDispatch(&end); // done on the stack's thread before it returns
            EXPECT_EQ(DispatchBlockAccess::loadResult(end), kOk);
            // What the status window does next: zero both blocks and forget them.
            std::memset(&status, 0xA5, sizeof status);
            std::memset(&end, 0x5A, sizeof end);
        });
        ender.get();
    }
    // Every slow answer and every retry comes and goes.
    advance(5s);
    for (const Pair& pair : pairs) {
        const auto* status = reinterpret_cast<const uint8_t*>(pair.status.get());
        const auto* end = reinterpret_cast<const uint8_t*>(&pair.end);
        EXPECT_TRUE(std::all_of(status, status + sizeof(_DispatchBlock), [](uint8_t b) { return b == 0xA5; }));
        EXPECT_TRUE(std::all_of(end, end + sizeof(_DispatchBlock), [](uint8_t b) { return b == 0x5A; }));
    }
    EXPECT_EQ(stack->run([this] { return stack->requests().pendingStatusRequests(); }), 0u);
}

TEST_F(ThreadedStack, EnumerationsOpenedOnOneThreadArePolledAndClosedOnAnother) {
    ATEnumHandle zones = 0;
    ASSERT_EQ(ZIPOpenEnum(&zones, 0), kOk);
    advance(10s);
    auto poller = std::async(std::launch::async, [zones] {
        uint16_t count = 0;
        ZIPZoneCount(zones, &count);
        const int status = ZIPEnumStatus(zones);
        ZIPCloseEnum(zones);
        return std::make_pair(status, count);
    });
    const auto [status, count] = poller.get();
    EXPECT_EQ(status, kOk);
    EXPECT_EQ(count, 6);
}

TEST(MyZoneAtStartUp, WaitsForTheStartAndAnswers) {
    testing::ScopedEnvironment environment;
    Stack::install(nullptr); // the library's own, on the system clock
    char zone[NBP_NAME_FIELD_SIZE] = {};
    EXPECT_EQ(ZIPGetMyZone(zone), kOk);
    EXPECT_STREQ(zone, "Engineering");
    Stack::install(nullptr);
}

TEST(MyZoneAtStartUp, WaitsNoLongerThanItsBoundForAStartThatTakesLonger) {
    testing::ScopedEnvironment environment;
    SystemClock clock;
    MemoryWire emptyWire(clock); // no router: the start ends only when the stub gives up
    auto link = emptyWire.connect();
    StackOptions options;
    options.link = link.get();
    options.firstStartWait = 100ms;
    auto stack = std::make_shared<Stack>(StackSettings::load(), options);
    Stack::install(stack);
    char zone[NBP_NAME_FIELD_SIZE] = "before";
    EXPECT_EQ(ZIPGetMyZone(zone), kErrNoRouter);
    EXPECT_STREQ(zone, "before");
    EXPECT_FALSE(stack->run([&stack] { return stack->network().nodeInfo().has_value(); }));
    Stack::install(nullptr);
}

TEST(LToUdpStack, ProbesForItsIdOnThePortTheEnvironmentNames) {
    testing::ScopedEnvironment environment;
    // Per process, away from the standard port, so no real LToUDP traffic is met.
    const auto port = static_cast<std::uint16_t>(40000 + ::getpid() % 20000);
    LToUdpConfig listening;
    listening.port = port;
    listening.ttl = 0;
    std::string error;
    auto listener = LToUdpLink::open(listening, error);
    if (!listener) GTEST_SKIP() << "multicast on loopback is not available here: " << error;
    bool heardProbe = false;
    listener->attach(
        [&heardProbe](std::span<const std::uint8_t> frame) {
            if (frame.size() >= 3 && frame[2] == LlapFrame::kEnq) heardProbe = true;
        },
        [] {});

    environment.set("VIDUR_NETWORK", "ltoudp:127.0.0.1");
    environment.set("VIDUR_LTOUDP_TTL", "0");
    environment.set("VIDUR_LTOUDP_PORT", std::to_string(port));
    auto stack = std::make_shared<Stack>(StackSettings::load());
    ASSERT_TRUE(stack->isOnline()) << stack->problem();
    const auto end = std::chrono::steady_clock::now() + 3s;
    while (!heardProbe && std::chrono::steady_clock::now() < end) {
        pollfd fd{listener->waitHandle(), POLLIN, 0};
        ::poll(&fd, 1, 100);
        listener->poll();
    }
    EXPECT_TRUE(heardProbe);
    stack.reset();
    listener->detach();
}

TEST_F(ThreadedStack, ReplacingTheStackWhileCallsAreMadeNeitherCrashesNorLeaves) {
    ASSERT_TRUE(started());
    auto block = statusBlock("Laser 1", "Engineering", 200ms);
    ASSERT_EQ(ATALKDispatch(block.get()), kOk);
    const auto before = *block;
    const std::weak_ptr<Stack> gone = stack;
    Stack::install(nullptr);
    stack.reset(); // the stack stops with a request in flight; its thread is joined
    ASSERT_TRUE(gone.expired());
    EXPECT_EQ(std::memcmp(&before, block.get(), sizeof before), 0);
}

} // namespace
} // namespace appletalk::runtime
