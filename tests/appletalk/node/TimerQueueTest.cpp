// SPDX-License-Identifier: MIT
#include "appletalk/node/ManualClock.h"
#include "appletalk/node/TimerQueue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace appletalk {
namespace {

struct TimerQueueTest : ::testing::Test {
    ManualClock clock;
    TimerQueue timers{clock};
    std::vector<std::string> fired;
};

TEST_F(TimerQueueTest, FiresNothingBeforeItsTimeAndEverythingDueInTimeOrder) {
    timers.scheduleAfter(300ms, [&] { fired.push_back("c"); });
    timers.scheduleAfter(100ms, [&] { fired.push_back("a"); });
    timers.scheduleAfter(200ms, [&] { fired.push_back("b"); });
    clock.advance(99ms);
    EXPECT_EQ(timers.poll(), 0u);
    clock.advance(201ms);
    EXPECT_EQ(timers.poll(), 3u);
    EXPECT_EQ(fired, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(timers.size(), 0u);
    EXPECT_FALSE(timers.nextDeadline());
}

TEST_F(TimerQueueTest, TimersDueAtTheSameInstantFireInTheOrderScheduled) {
    const SteadyTime when = clock.now() + 1s;
    for (const char* name : {"1", "2", "3"}) timers.scheduleAt(when, [&, name] { fired.push_back(name); });
    clock.advance(1s);
    timers.poll();
    EXPECT_EQ(fired, (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(TimerQueueTest, ACancelledTimerNeverFiresAndCannotBeCancelledTwice) {
    const TimerId id = timers.scheduleAfter(1s, [&] { fired.push_back("x"); });
    EXPECT_TRUE(timers.isScheduled(id));
    EXPECT_TRUE(timers.cancel(id));
    EXPECT_FALSE(timers.cancel(id));
    EXPECT_FALSE(timers.cancel(0));
    clock.advance(2s);
    timers.poll();
    EXPECT_TRUE(fired.empty());
}

TEST_F(TimerQueueTest, ACallbackMayCancelATimerDueInTheSamePoll) {
    TimerId second = 0;
    timers.scheduleAfter(1s, [&] {
        fired.push_back("first");
        timers.cancel(second);
    });
    second = timers.scheduleAfter(1s, [&] { fired.push_back("second"); });
    clock.advance(1s);
    EXPECT_EQ(timers.poll(), 1u);
    EXPECT_EQ(fired, (std::vector<std::string>{"first"}));
}

TEST_F(TimerQueueTest, ATimerReArmedWithoutDelayWaitsForTheNextPoll) {
    std::function<void()> rearm = [&] {
        fired.push_back("tick");
        timers.scheduleAfter(0s, rearm);
    };
    timers.scheduleAfter(0s, rearm);
    EXPECT_EQ(timers.poll(), 1u);
    EXPECT_EQ(timers.poll(), 1u);
    EXPECT_EQ(fired.size(), 2u);
    EXPECT_EQ(timers.nextDeadline(), clock.now());
}

TEST(ManualClockTest, MovesOnlyForwardAndOnlyWhenTold) {
    ManualClock clock;
    const SteadyTime start = clock.now();
    clock.advance(-5s);
    clock.advanceTo(start - 1s);
    EXPECT_EQ(clock.now(), start);
    clock.advance(250ms);
    EXPECT_EQ(clock.now(), start + 250ms);
    clock.advanceTo(start + 1s);
    EXPECT_EQ(clock.now(), start + 1s);
}

} // namespace
} // namespace appletalk
