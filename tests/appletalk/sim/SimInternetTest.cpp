// SPDX-License-Identifier: MIT
// Scenarios brought to life on virtual time: every device of the built-in network found by a
// client's look-up, and printers that change their status, answer late, never answer, or go
// away and come back.
#include "MiniClient.h"
#include "SimTestbed.h"

#include "appletalk/services/pap/PapClient.h"
#include "appletalk/sim/SimInternet.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdlib.h>

using namespace std::chrono_literals;

namespace appletalk::sim {
namespace {

struct InternetFixture : ::testing::Test {
    ManualClock clock;
    VirtualTimeDriver driver{clock};
    std::unique_ptr<SimInternet> internet;
    std::unique_ptr<MemoryWireLink> clientLink;
    std::unique_ptr<Node> client;

    void bringUp(const Scenario& scenario) {
        internet = std::make_unique<SimInternet>(clock, scenario, 3);
        driver.add(*internet);
        internet->start();
        ASSERT_TRUE(driver.advanceUntil([this] { return internet->isReady(); }, 30s));
        clientLink = internet->connectClient();
        NodeConfig config;
        config.acquisition.preferredId = 20;
        config.seed = 77;
        client = std::make_unique<Node>(clock, *clientLink, config);
        client->openSocket(1, [this](const Datagram& d) {
            // The stub's rule, enough for the test: RTMP Data tells THIS-NET and A-ROUTER.
            if (d.type == 1 && d.data.size() >= 4) {
                client->setThisNet(static_cast<std::uint16_t>(d.data[0] << 8 | d.data[1]));
                client->setARouter(d.data[3]);
            }
        });
        driver.add(*client);
        client->start();
        ASSERT_TRUE(driver.advanceUntil([this] { return client->isReady() && client->aRouter() != 0; }, 30s));
    }

    void TearDown() override {
        if (client) driver.remove(*client);
        client.reset();
        if (internet) driver.remove(*internet);
    }

    testing::MiniClient mini() { return testing::MiniClient(*client, driver); }
};

struct BuiltInNetworkTest : InternetFixture {};

TEST_F(BuiltInNetworkTest, EveryDeviceOfTheBuiltInNetworkIsFoundByALookUpInItsZone) {
    const Scenario scenario = Scenario::builtin();
    bringUp(scenario);
    EXPECT_EQ(client->thisNet(), scenario.clientNetwork);
    auto lookup = mini();
    const auto expectFound = [&](const std::string& name, const std::string& type, const std::string& zone) {
        SCOPED_TRACE(name + ":" + type + "@" + zone);
        const auto found = lookup.lookup({"=", type, zone});
        const bool seen =
            std::any_of(found.begin(), found.end(), [&](const nbp::NbpTuple& t) { return t.name.object == name; });
        EXPECT_TRUE(seen);
    };
    for (const auto& printer : scenario.printers) expectFound(printer.name, printer.type, printer.zone);
    for (const auto& server : scenario.fileServers) expectFound(server.name, "AFPServer", server.zone);
}

// A full campus on the client's own extended cable, the client starting with it (as the
// library's embedded network does): devices share node ids across the range's numbers, and
// the client probes one of them before the devices have taken theirs. Each device still takes
// the address planned for it, without a conflict.
TEST_F(InternetFixture, AClientStartingWithAFullCampusMovesNoDeviceFromItsPlannedAddress) {
    std::string text = "client_network = 100\n[[network]]\nrange = [100, 120]\nzones = [\"Big\"]\n";
    for (int i = 1; i <= 5000; ++i) text += "[[printer]]\nname = \"P" + std::to_string(i) + "\"\nzone = \"Big\"\n";
    ScenarioError error;
    const auto scenario = Scenario::parse(text, "campus.toml", error);
    ASSERT_TRUE(scenario.has_value()) << error.describe();
    std::string problem;
    const auto plan = AddressPlan::make(*scenario, false, problem);
    ASSERT_TRUE(plan.has_value()) << problem;

    internet = std::make_unique<SimInternet>(clock, *scenario, 3);
    driver.add(*internet);
    clientLink = internet->connectClient();
    NodeConfig config;
    config.acquisition.preferredId = plan->printer(4999).node; // a workstation id devices hold
    client = std::make_unique<Node>(clock, *clientLink, config);
    driver.add(*client);
    internet->start();
    client->start();
    ASSERT_TRUE(driver.advanceUntil([this] { return internet->isReady() && client->isReady(); }, 30s));
    std::uint64_t conflicts = 0;
    for (std::size_t i = 0; i < internet->printers().size(); ++i) {
        const Node& node = *internet->printers()[i]->node();
        conflicts += node.idConflicts();
        const DeviceAddress address = plan->printer(i);
        ASSERT_EQ(std::make_pair(node.thisNet(), node.nodeId()), std::make_pair(address.network, address.node)) << i;
    }
    EXPECT_EQ(conflicts, 0u);
}

TEST_F(BuiltInNetworkTest, TheAccentedZoneTravelsInMacRomanAndListsWithTheOthers) {
    bringUp(Scenario::builtin());
    auto zip = mini();
    const auto zones = zip.zip(zip::ZipAtpRequest::getZoneList(1));
    ASSERT_TRUE(zones.has_value());
    EXPECT_TRUE(zones->last);
    EXPECT_NE(std::find(zones->zones.begin(), zones->zones.end(), "Z\x9Frich Office"), zones->zones.end());
    const auto found = zip.lookup({"=", "LQ", "Z\x9Frich Office"});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name.object, "Z\x9Frich LQ");
}

constexpr const char* kPrinters = R"(client_network = 1
[[network]]
number = 1
zone = "Here"
[[network]]
number = 2
zone = "There"
[[printer]]
name = "Cycling"
zone = "There"
status_changes = ["status: idle", "status: busy", "status: printing"]
status_interval = 5
[[printer]]
name = "Silent"
zone = "There"
answers = false
[[printer]]
name = "Slow"
zone = "Here"
answer_delay = 1.5
[[printer]]
name = "Wanderer"
zone = "Here"
node = 140
)";

struct PrinterBehaviourTest : InternetFixture {
    void SetUp() override {
        ScenarioError error;
        const auto scenario = Scenario::parse(kPrinters, "printers.toml", error);
        ASSERT_TRUE(scenario.has_value()) << error.describe();
        bringUp(*scenario);
    }
    DdpAddress addressOf(const char* name) { return internet->printer(name)->entityAddress(); }
};

TEST_F(PrinterBehaviourTest, AStatusCycleMovesOnEveryIntervalAndSetStatusReplacesIt) {
    auto pap = mini();
    SimPrinter& printer = *internet->printer("Cycling");
    std::vector<std::string> seen;
    for (int i = 0; i < 4; ++i) {
        const auto expected = printer.currentStatus();
        const auto status = pap.papStatus(addressOf("Cycling"));
        ASSERT_TRUE(status.has_value());
        EXPECT_EQ(*status, expected);
        seen.push_back(*status);
        driver.advance(5s);
    }
    // Four polls five seconds apart walk once round the cycle of three.
    EXPECT_EQ(seen[0], seen[3]);
    EXPECT_NE(seen[0], seen[1]);
    EXPECT_NE(seen[1], seen[2]);

    printer.setStatus("status: PrinterError: out of paper");
    EXPECT_EQ(pap.papStatus(addressOf("Cycling")), "status: PrinterError: out of paper");
    driver.advance(5s);
    EXPECT_EQ(pap.papStatus(addressOf("Cycling"), false), "status: PrinterError: out of paper");
}

TEST_F(PrinterBehaviourTest, APrinterThatNeverAnswersIsFoundButItsStatusNeverComes) {
    auto user = mini();
    const auto found = user.lookup({"Silent", "LaserWriter", "There"});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_FALSE(user.papStatus(addressOf("Silent"), true, 10s).has_value());
    EXPECT_GE(internet->printer("Silent")->statusRequests(), 1u);
}

TEST_F(PrinterBehaviourTest, ASlowPrinterAnswersOnlyAfterItsDelay) {
    auto pap = mini();
    EXPECT_FALSE(pap.papStatus(addressOf("Slow"), true, 1s).has_value());
    EXPECT_EQ(pap.papStatus(addressOf("Slow"), true, 2s), "status: idle");
}

TEST_F(PrinterBehaviourTest, APrinterThatGoesAwayIsNotFoundUntilItComesBackAtItsNewAddress) {
    auto user = mini();
    SimPrinter& printer = *internet->printer("Wanderer");
    const DdpAddress before = printer.entityAddress();
    EXPECT_EQ(before.node, 140);

    printer.goAway();
    EXPECT_FALSE(printer.isPresent());
    EXPECT_TRUE(user.lookup({"Wanderer", "LaserWriter", "*"}).empty());
    EXPECT_FALSE(user.papStatus(before, true, 3s).has_value());

    printer.comeBack(150);
    ASSERT_TRUE(driver.advanceUntil([&printer] { return printer.isReady(); }, 10s));
    const auto found = user.lookup({"Wanderer", "LaserWriter", "*"});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].node, 150);
    EXPECT_EQ(user.papStatus({found[0].network, found[0].node, found[0].socket}), "status: idle");
}

constexpr const char* kJobPrinters = R"(client_network = 1
[faults]
delay_ms = 1
[[network]]
number = 1
zone = "Here"
[[network]]
number = 2
zone = "There"
[[printer]]
name = "Laser"
zone = "There"
[[printer]]
name = "Picky"
zone = "Here"
reject_with_error = "undefined; OffendingCommand: frobnicate"
[[printer]]
name = "Fragile"
zone = "Here"
fail_after_bytes = 10000
[[printer]]
name = "Known"
zone = "Here"
product = "LaserWriter II NTX"
version = "47.0"
)";

struct PrinterJobTest : InternetFixture {
    std::filesystem::path spool;

    void SetUp() override {
        char pattern[] = "/tmp/vidur-spool-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        spool = pattern;
        ScenarioError error;
        auto scenario = Scenario::parse(kJobPrinters, "jobs.toml", error);
        ASSERT_TRUE(scenario.has_value()) << error.describe();
        scenario->spool = spool.string();
        bringUp(*scenario);
    }
    void TearDown() override {
        InternetFixture::TearDown();
        std::filesystem::remove_all(spool);
    }

    struct Outcome {
        std::optional<PapJobResult> result;
        std::string messages;
    };

    // Starts a job to the named printer; the outcome fills in as the driver runs.
    std::unique_ptr<PapClient> print(const char* printer, const std::string& bytes, Outcome& outcome) {
        auto job = std::make_unique<PapClient>(*client);
        PapClientEvents events;
        events.message = [&outcome](std::span<const std::uint8_t> b) { outcome.messages.append(b.begin(), b.end()); };
        events.finished = [&outcome](PapJobResult r) { outcome.result = r; };
        EXPECT_TRUE(job->open(internet->printer(printer)->entityAddress(), std::move(events)));
        job->write(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
        job->finish();
        return job;
    }

    std::vector<std::filesystem::path> spooled() const {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(spool)) files.push_back(entry.path());
        return files;
    }
};

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(PrinterJobTest, AJobIsSpooledExactlyAsSentUnderItsTitleAndShownInTheStatusMeanwhile) {
    std::string job = "%!PS-Adobe-3.0\r%%Title: (Quarterly/Report)\r%%EndComments\r";
    for (int i = 0; job.size() < 300'000; ++i) job += "(line " + std::to_string(i) + ") show\n\x01\xff";
    Outcome outcome;
    auto sender = print("Laser", job, outcome);
    SimPrinter& printer = *internet->printer("Laser");
    ASSERT_TRUE(driver.advanceUntil([&] { return printer.isPrinting() && sender->bytesSent() > 50'000; }, 1min));
    const auto status = mini().papStatus(printer.entityAddress());
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(status->starts_with("status: busy; source: AppleTalk; job: Quarterly/Report; ")) << *status;
    ASSERT_TRUE(driver.advanceUntil([&] { return outcome.result.has_value(); }, 10min));
    EXPECT_EQ(*outcome.result, PapJobResult::Done);
    driver.advance(1s);
    const auto files = spooled();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].filename(), "0001-Quarterly_Report.ps");
    EXPECT_TRUE(readFile(files[0]) == job);
    EXPECT_EQ(mini().papStatus(printer.entityAddress()), "status: idle");
}

TEST_F(PrinterJobTest, ARejectedJobIsToldOfItsErrorOnTheBackChannelAndNotKept) {
    Outcome outcome;
    auto sender = print("Picky", "%!PS\rfrobnicate\r", outcome);
    ASSERT_TRUE(driver.advanceUntil([&] { return outcome.result.has_value(); }, 1min));
    EXPECT_EQ(*outcome.result, PapJobResult::Done) << "the printer read the job to its end";
    EXPECT_TRUE(outcome.messages.starts_with("%%[ Error: undefined; OffendingCommand: frobnicate ]%%"))
        << outcome.messages;
    driver.advance(1s);
    EXPECT_TRUE(spooled().empty());
    ASSERT_EQ(internet->printer("Picky")->jobs().size(), 1u);
    EXPECT_TRUE(internet->printer("Picky")->jobs()[0].rejected);
}

TEST_F(PrinterJobTest, APrinterThatFailsPartWayLeavesTheClientWithALostConnectionAndNoFile) {
    Outcome outcome;
    auto sender = print("Fragile", std::string(50'000, 'x'), outcome);
    ASSERT_TRUE(driver.advanceUntil([&] { return outcome.result.has_value(); }, 10min));
    EXPECT_EQ(*outcome.result, PapJobResult::ConnectionLost);
    const auto& jobs = internet->printer("Fragile")->jobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].bytes, 10'000u);
    EXPECT_FALSE(jobs[0].complete);
    EXPECT_TRUE(spooled().empty());
}

TEST_F(PrinterJobTest, AQueryJobIsAnsweredAsALaserWriterWouldAndPrintedNowhere) {
    // A query job with Mac line ends, one query the printer knows nothing of.
    const std::string query =
        "%!PS-Adobe-3.0 Query\r%%?BeginFeatureQuery: *Product\rstatusdict /product get print\r"
        "%%?EndFeatureQuery: Unknown\r%%?BeginFeatureQuery: *PSVersion\rversion print\r"
        "%%?EndFeatureQuery: Unknown\r%%?BeginFeatureQuery: *Duplex\r"
        "%%?EndFeatureQuery: None\r%%EOF\r";
    Outcome outcome;
    auto sender = print("Known", query, outcome);
    ASSERT_TRUE(driver.advanceUntil([&] { return outcome.result.has_value(); }, 1min));
    EXPECT_EQ(*outcome.result, PapJobResult::Done);
    EXPECT_EQ(outcome.messages, "(LaserWriter II NTX)\n(47.0) 0\nNone\n");
    driver.advance(1s);
    EXPECT_TRUE(spooled().empty());
    EXPECT_TRUE(internet->printer("Known")->jobs().empty());
    EXPECT_EQ(internet->printer("Known")->queriesAnswered(), 1u);
}

} // namespace
} // namespace appletalk::sim
