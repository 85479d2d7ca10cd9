// SPDX-License-Identifier: MIT
// Finding a job's printer and the job itself, on the embedded network's simulated printers and
// on printers of the test's own, all on virtual time.
#include "support/ServiceNetwork.h"
#include "support/VirtualStack.h"

#include "appletalk/print/PrintJob.h"
#include "appletalk/print/PrinterLookup.h"
#include "appletalk/services/pap/PapServer.h"
#include "appletalk/services/pap/PapStatusServer.h"
#include "appletalk/sim/SimInternet.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace std::chrono_literals;

namespace appletalk::print {
namespace {

using testing::ServiceNetwork;
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
    std::vector<std::string> busy;
    std::string messages;
    bool opened = false;

    PrintJobEvents events() {
        PrintJobEvents events;
        events.busy = [this](const std::string& status) { busy.push_back(status); };
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

// Two workstations and a printer of the test's own: the second finds it busy with the first.
struct BusyPrinter : ::testing::Test {
    ServiceNetwork net;
    Node& first = net.addNode(20);
    Node& second = net.addNode(21);
    Node& printerNode = net.addNode(130, NodeRole::Server);
    PapStatusServer status{printerNode, 130, "status: busy; job: Quarterly"};
    PapServer server{printerNode, status, {}};
};

TEST_F(BusyPrinter, IsAskedAgainUntilTheCallersLimitAndTheStatusHeardEachTime) {
    Heard holder;
    PrintJob holding(first);
    ASSERT_TRUE(holding.open({0, 130, 130}, holder.events()));
    ASSERT_TRUE(net.advanceUntil([&] { return server.isBusy(); }, 10s));

    Heard waiting;
    PrintJob job(second, {.pap = {}, .stallLimit = 7s, .noticeInterval = 10s});
    ASSERT_TRUE(job.open({0, 130, 130}, waiting.events()));
    const SteadyTime begin = net.clock.now();
    ASSERT_TRUE(net.advanceUntil([&] { return waiting.outcome.has_value(); }, 1min));
    EXPECT_EQ(*waiting.outcome, PrintOutcome::StillBusy);
    EXPECT_LE(net.clock.now() - begin, 9s);
    EXPECT_GE(waiting.busy.size(), 4u) << "every 2 s";
    EXPECT_EQ(waiting.busy.front(), "status: busy; job: Quarterly");
    holding.cancel(PrintOutcome::Interrupted);
    ASSERT_TRUE(net.advanceUntil([&] { return holder.outcome.has_value(); }, 1min));
    EXPECT_EQ(*holder.outcome, PrintOutcome::Interrupted);
}

} // namespace
} // namespace appletalk::print
