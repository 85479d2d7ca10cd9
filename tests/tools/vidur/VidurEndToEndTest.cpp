// SPDX-License-Identifier: MIT
// The built `vidur` binary against the embedded default network, a small scenario file, and
// (in two processes) the simulator served on LToUDP over loopback.
#include "VidurProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>

namespace vidur::cli {
namespace {

using testing::ProcessResult;
using testing::VidurProcess;
using namespace std::chrono_literals;

// A small scenario: names with accents and a quote, a printer at a fixed node, one that
// never answers, and a second zone behind the router.
constexpr const char* kScenario = R"(title = "CLI test office"
client_network = 7

[[network]]
number = 7
zone = "Café"

[[network]]
number = 8
zone = "Lager"

[[printer]]
name = "Büro \"Laser\""
type = "LaserWriter"
zone = "Café"
node = 130
status = "status: warming up"

[[printer]]
name = "Silent"
type = "LaserWriter"
zone = "Lager"
answers = false

[[file_server]]
name = "Lager Server"
zone = "Lager"
)";

class VidurCommand : public ::testing::Test {
protected:
    void SetUp() override {
        folder =
            std::filesystem::temp_directory_path() / ("vidur-cli-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        scenario = (folder / "office.toml").string();
        std::ofstream(scenario) << kScenario;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // A private profile folder, so no AppleTalk.INI of the machine takes part, and no network
    // chosen: the embedded default unless the arguments say otherwise.
    VidurProcess::Environment environment() const {
        return {{"VIDUR_PROFILE_DIR", folder.string()}, {"VIDUR_NETWORK", std::nullopt}, {"VIDUR_LTOUDP_TTL", "0"}};
    }
    ProcessResult vidur(const std::vector<std::string>& arguments) {
        return VidurProcess::run(arguments, environment());
    }

    std::filesystem::path folder;
    std::string scenario;
};

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(VidurCommand, ZonesListsTheBuiltInZonesSortedOneALine) {
    const auto result = vidur({"zones"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Building 4\nDesign Studio\nEngineering\nFinance\nMarketing\nZ\xC3\xBCrich Office\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(VidurCommand, ZonesMineAndLocalNameTheNodesOwnZone) {
    EXPECT_EQ(vidur({"zones", "--mine"}).out, "Engineering\n");
    EXPECT_EQ(vidur({"zones", "--local", "--json"}).out, "[\"Engineering\"]\n");
}

TEST_F(VidurCommand, LookupFindsTheLaserWritersOfTheOwnZoneInNameOrder) {
    const auto result = vidur({"lookup", "=:LaserWriter@*"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::regex expected(
        "Laser 1  LaserWriter  Engineering  1\\.\\d+:\\d+\n"
        "Laser 2  LaserWriter  Engineering  1\\.\\d+:\\d+\n");
    EXPECT_TRUE(std::regex_match(result.out, expected)) << result.out;
}

TEST_F(VidurCommand, LookupReachesOtherZonesThroughTheRouterWithAPartialWildcard) {
    const auto result = vidur({"lookup", "\xE2\x89\x88LaserWriter@Marketing"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.rfind("Marketing LaserWriter  LaserWriter  Marketing  2.", 0), 0u) << result.out;
    EXPECT_EQ(lineCount(result.out), 1u);
}

TEST_F(VidurCommand, NothingFoundExitsOneWithOneLineOnStderrAndNothingOnStdout) {
    const auto result = vidur({"lookup", "Nobody:LaserWriter@Engineering", "--timeout", "1"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "vidur lookup: nothing answered to Nobody:LaserWriter@Engineering\n");
    const auto json = vidur({"lookup", "Nobody@Engineering", "--timeout", "1", "--json"});
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_EQ(json.out, "[]\n");
}

TEST_F(VidurCommand, PapStatusOfABuiltInPrinterPrintsItsStatusText) {
    const auto result = vidur({"papstatus", "Laser 2@Engineering"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "status: printing; source: AppleTalk; job: Schematics\n");
}

TEST_F(VidurCommand, PapStatusOfAPrinterThatNeverAnswersExitsOne) {
    const auto result = vidur({"papstatus", "Old LaserWriter Plus@Building 4"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "vidur papstatus: Old LaserWriter Plus:LaserWriter@Building 4 did not answer\n");
}

TEST_F(VidurCommand, NetInfoPrintsAddressZoneAndRange) {
    const auto result = vidur({"netinfo", "--text"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::regex expected("address:  1\\.(\\d+) \\(0001 [0-9A-F]{2}\\)\nzone:     Engineering\nrange:    1-1\n");
    EXPECT_TRUE(std::regex_match(result.out, expected)) << result.out;
}

// A vidur without its windows module, as a print server installs it: the windows say so, the
// text of the network information is still there.
TEST_F(VidurCommand, WithoutTheWindowsModuleWindowsSaySoAndNetInfoPrintsItsText) {
    auto without = environment();
    without["VIDUR_WINDOWS_MODULE"] = (folder / "none" / "vidur-windows.so").string();
    const auto chooser = VidurProcess::run({"chooser", "--offscreen"}, without);
    EXPECT_EQ(chooser.exitCode, 2);
    EXPECT_EQ(chooser.out, "");
    EXPECT_NE(chooser.err.find("vidur chooser: this vidur has no windows (vidur-windows.so is not installed)"),
              std::string::npos)
        << chooser.err;
    const auto netinfo = VidurProcess::run({"netinfo"}, without);
    EXPECT_EQ(netinfo.exitCode, 0) << netinfo.err;
    EXPECT_EQ(netinfo.out.rfind("address:  1.", 0), 0u) << netinfo.out;
}

TEST_F(VidurCommand, ScenarioFileGivesItsZonesDevicesAndStatusInUtf8) {
    const std::string network = "--network=sim:" + scenario;
    EXPECT_EQ(vidur({"zones", network}).out, "Caf\xC3\xA9\nLager\n");
    const auto lookup = vidur({"lookup", "=:LaserWriter@Caf\xC3\xA9", network});
    EXPECT_EQ(lookup.exitCode, 0) << lookup.err;
    EXPECT_TRUE(
        std::regex_match(lookup.out, std::regex("B\xC3\xBCro \"Laser\"  LaserWriter  Caf\xC3\xA9  7\\.130:\\d+\n")))
        << lookup.out;
    // The address from the look-up reaches the same printer.
    const std::string address =
        lookup.out.substr(lookup.out.find("7.130:"), lookup.out.size() - 1 - lookup.out.find("7.130:"));
    const auto status = vidur({"papstatus", address, network});
    EXPECT_EQ(status.exitCode, 0) << status.err;
    EXPECT_EQ(status.out, "status: warming up\n");
}

TEST_F(VidurCommand, ControlCharactersInNamesAndStatusReachTheTerminalEscaped) {
    // Names that would retitle and clear the terminal, ring, and forge extra lines.
    const std::string hostile = (folder / "hostile.toml").string();
    std::ofstream(hostile) << R"(client_network = 7

[[network]]
number = 7
zone = "Title\u001B]0;pwned\u0007"

[[network]]
number = 8
zone = "Clear\u001B[2J\r\nforged"

[[printer]]
name = "Back\\slash\u001B[31m"
type = "LaserWriter"
zone = "Title\u001B]0;pwned\u0007"
node = 130
status = "busy\r\nstatus: idle"
)";
    const std::string network = "--network=sim:" + hostile;
    const auto zones = vidur({"zones", network});
    EXPECT_EQ(zones.out, "Clear\\x1B[2J\\r\\nforged\nTitle\\x1B]0;pwned\\a\n");
    const auto lookup = vidur({"lookup", "=:LaserWriter@*", network});
    EXPECT_EQ(lookup.exitCode, 0) << lookup.err;
    EXPECT_EQ(lookup.out.rfind("Back\\\\slash\\x1B[31m  LaserWriter  Title\\x1B]0;pwned\\a  7.130:", 0), 0u)
        << lookup.out;
    const std::size_t at = lookup.out.find("7.130:");
    const auto status = vidur({"papstatus", lookup.out.substr(at, lookup.out.size() - 1 - at), network});
    EXPECT_EQ(status.out, "busy\\r\\nstatus: idle\n");
    // --json keeps its own escapes.
    EXPECT_EQ(vidur({"zones", "--json", network}).out,
              "[\"Clear\\u001b[2J\\r\\nforged\",\"Title\\u001b]0;pwned\\u0007\"]\n");
}

TEST_F(VidurCommand, JsonOutputEscapesQuotesAndKeepsAccentedNames) {
    const auto result =
        vidur({"lookup", "B\xC3\xBCro\xE2\x89\x88@Caf\xC3\xA9", "--json", "--network", "sim:" + scenario});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(
        result.out.rfind("[{\"name\":\"B\xC3\xBCro \\\"Laser\\\"\",\"type\":\"LaserWriter\",\"zone\":\"Caf\xC3\xA9\","
                         "\"network\":7,\"node\":130,",
                         0),
        0u)
        << result.out;
    const auto status =
        vidur({"papstatus", "B\xC3\xBCro \"Laser\"@Caf\xC3\xA9", "--json", "--network", "sim:" + scenario});
    EXPECT_NE(status.out.find("\"status\":\"status: warming up\""), std::string::npos) << status.out;
}

// Read before the library starts, so the fault is said with its place, not as a network that
// could not start.
TEST_F(VidurCommand, AScenarioThatCannotBeReadIsRefusedWithItsFault) {
    std::ofstream(folder / "broken.toml") << "title = \"x\"\nclient_network = 7\n[[network]]\nnumber = 7\nzone = 1\n";
    const auto result = vidur({"zones", "--network", "sim:" + (folder / "broken.toml").string()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("vidur zones: scenario "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("broken.toml:5:8: network.zone must be a string\n"), std::string::npos) << result.err;
}

TEST_F(VidurCommand, WatchKeepsGoingUntilCtrlCAndThenEndsCleanly) {
    VidurProcess watch({"papstatus", "Laser 1@Engineering", "--watch"}, environment());
    ASSERT_TRUE(watch.waitForOutput("status: idle\n", 30s));
    watch.signal(SIGINT);
    const auto result = watch.finish(10s);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    // The status does not change, so it is printed once.
    EXPECT_EQ(result.out, "status: idle\n");
}

TEST_F(VidurCommand, EveryCommandHasHelpAndBadUsageExitsTwo) {
    const auto overview = vidur({"--help"});
    EXPECT_EQ(overview.exitCode, 0);
    for (const char* name : {"zones", "lookup", "papstatus", "netinfo", "sim"}) {
        EXPECT_NE(overview.out.find(std::string("  ") + name + " "), std::string::npos) << name;
        const auto help = vidur({name, "--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_EQ(help.out.rfind(std::string("usage: vidur ") + name, 0), 0u) << help.out;
    }
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"lookup", "--max", "0"},
                                                {"lookup", "--colour"},
                                                {"papstatus"},
                                                {"papstatus", "1.0:130"},
                                                {"zones", "--timeout"},
                                                {"sim"},
                                                {"frobnicate"},
                                                {}}) {
        const auto result = vidur(bad);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.out, "");
        if (!bad.empty()) {
            EXPECT_EQ(lineCount(result.err), 1u) << result.err;
        }
    }
}

// Two processes: `vidur sim` serves the scenario on LToUDP, and a second
// `vidur` on the same loopback group finds and asks its devices. Multicast stays on the
// host: interface 127.0.0.1, TTL 0 on both sides.
TEST_F(VidurCommand, SimAndLookupFindEachOtherOverLToUdpOnLoopback) {
    // A port of this test's own: another run on this host would be a router already there.
    const std::string port = std::to_string(20000 + ::getpid() % 20000 + 1);
    auto onPort = environment();
    onPort["VIDUR_LTOUDP_PORT"] = port;
    VidurProcess sim({"sim", scenario, "--ltoudp", "--interface", "127.0.0.1", "--ttl", "0", "--port", port}, onPort);
    if (!sim.waitForOutput("Lager Server", 30s)) {
        const auto ended = sim.finish(5s);
        if (ended.err.find("LToUDP on 127.0.0.1") != std::string::npos)
            GTEST_SKIP() << "multicast on loopback is not available here: " << ended.err;
        FAIL() << "the simulator did not come up: " << ended.err;
    }
    const auto lookup =
        VidurProcess::run({"lookup", "=:LaserWriter@Caf\xC3\xA9", "--network", "ltoudp:127.0.0.1"}, onPort);
    EXPECT_EQ(lookup.exitCode, 0) << lookup.err;
    EXPECT_NE(lookup.out.find("B\xC3\xBCro \"Laser\"  LaserWriter  Caf\xC3\xA9  7.130:"), std::string::npos)
        << lookup.out;
    const auto status =
        VidurProcess::run({"papstatus", "B\xC3\xBCro \"Laser\"@Caf\xC3\xA9", "--network", "ltoudp:127.0.0.1"}, onPort);
    EXPECT_EQ(status.out, "status: warming up\n") << status.err;
    sim.signal(SIGINT);
    const auto ended = sim.finish(10s);
    EXPECT_EQ(ended.exitCode, 0) << ended.err;
    EXPECT_NE(ended.err.find("vidur sim: stopped"), std::string::npos);
}

} // namespace
} // namespace vidur::cli
