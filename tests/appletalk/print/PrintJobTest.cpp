// SPDX-License-Identifier: MIT
// Finding a job's printer and the job itself, on the embedded network's simulated printers and
// virtual time (HostilePrinterTest has the printers that misbehave).
#include "support/VirtualStack.h"

#include "appletalk/print/PrintJob.h"
#include "appletalk/print/PrinterLookup.h"
#include "appletalk/sim/SimInternet.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace std::chrono_literals;

namespace appletalk::print {
namespace {

using testing::VirtualStack;

constexpr const char* kOffice = R"(client_network = 7
[[network]]
number = 7
zone = "Office"
[[network]]
number = 8
zone = "B\u00e2timent 4"
[[printer]]
name = "Laser"
zone = "B\u00e2timent 4"
[[printer]]
name = "Picky"
zone = "Office"
reject_with_error = "undefined; OffendingCommand: frobnicate"
)";

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// What a job said, as it said it.
struct Heard {
    std::optional<PrintOutcome> outcome;
    std::uint64_t taken = 0;
    std::string messages;
    bool opened = false;

    PrintJobEvents events() {
        PrintJobEvents events;
        events.opened = [this] { opened = true; };
        events.message = [this](std::span<const std::uint8_t> b) { messages.append(b.begin(), b.end()); };
        events.finished = [this](PrintOutcome how, std::uint64_t bytes) {
            outcome = how;
            taken = bytes;
        };
        return events;
    }
};

struct OnTheOffice : ::testing::Test {
    ::testing::AssertionResult started() {
        return stack.start() ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "no start";
    }
    std::optional<DdpAddress> find(const nbp::NbpName& name) {
        std::optional<std::optional<DdpAddress>> result;
        PrinterLookup lookup(stack.stack->network());
        lookup.start(name, [&result](std::optional<DdpAddress> printer, int) { result = printer; });
        EXPECT_TRUE(stack.runUntil([&] { return result.has_value(); }));
        return result.value_or(std::nullopt);
    }

    testing::ScopedEnvironment files;
    VirtualStack stack{nullptr, 7, VirtualStack::scenarioFile(files, "office.toml", kOffice)};
};

TEST_F(OnTheOffice, APrinterIsFoundByItsNameInAnyLetterCaseAndANameNobodyHasIsNot) {
    ASSERT_TRUE(started());
    const DdpAddress laser = stack.internet().printer("Laser")->entityAddress();
    EXPECT_EQ(find({"Laser", "LaserWriter", "B\x89timent 4"}), laser);
    // "BÂTIMENT 4": NBP folds the accented capitals of Mac OS Roman too.
    EXPECT_EQ(find({"LASER", "laserwriter", "B\xE5TIMENT 4"}), laser);
    const SteadyTime asked = stack.clock.now();
    EXPECT_EQ(find({"Nobody", "LaserWriter", "Office"}), std::nullopt);
    EXPECT_GE(stack.clock.now() - asked, 3s) << "asked four times, a second apart";
}

TEST_F(OnTheOffice, AJobIsTakenWholeAndAPostScriptErrorOnTheBackChannelMakesItAPrinterError) {
    ASSERT_TRUE(started());
    const std::string job = "%!PS-Adobe-3.0\n%%Title: Memo\n" + std::string(20'000, 'x');
    for (const auto& [name, expected] :
         {std::pair{"Laser", PrintOutcome::Done}, {"Picky", PrintOutcome::PrinterError}}) {
        Heard heard;
        PrintJob printJob(*stack.stack->node());
        ASSERT_TRUE(printJob.open(stack.internet().printer(name)->entityAddress(), heard.events()));
        printJob.write(bytesOf(job));
        printJob.finish();
        ASSERT_TRUE(stack.runUntil([&] { return heard.outcome.has_value(); }, 1min)) << name;
        EXPECT_EQ(*heard.outcome, expected) << name;
        EXPECT_EQ(heard.taken, job.size()) << name;
        EXPECT_TRUE(heard.opened) << name;
    }
}

} // namespace
} // namespace appletalk::print
