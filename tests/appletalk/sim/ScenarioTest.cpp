// SPDX-License-Identifier: MIT
// Scenario files: what a good file turns into, and for a bad one an error that names the
// file, the line and what is wrong.
#include "appletalk/sim/Scenario.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <unistd.h>

using namespace std::chrono_literals;

namespace appletalk::sim {
namespace {

constexpr const char* kGood = R"(title = "Two floors"
client_network = 1
router_node = 250

[faults]
loss = 0.1
delay_ms = 20

[[network]]
number = 1
zone = "Engineering"

[[network]]
range = [10, 12]
zones = ["Finance", "Zürich Office"]
default_zone = "Zürich Office"
loss = 0.0

[[printer]]
name = "Laser 1"
zone = "Engineering"
node = 130

[[printer]]
name = "Drucker"
type = "ImageWriter"
zone = "zürich office"
status_changes = ["status: idle", "status: busy"]
status_interval = 2.5
answer_delay = 0.25
answers = false

[[file_server]]
name = "Archive"
zone = "Finance"
network = 11
)";

TEST(ScenarioParsing, AGoodFileGivesNetworksDevicesAndFaultsWithNamesInMacRoman) {
    ScenarioError error;
    const auto scenario = Scenario::parse(kGood, "good.toml", error);
    ASSERT_TRUE(scenario.has_value()) << error.describe();
    EXPECT_EQ(scenario->title, "Two floors");
    EXPECT_EQ(scenario->routerNode, 250);
    EXPECT_EQ(scenario->clientNetwork, 1);
    EXPECT_DOUBLE_EQ(scenario->faults.loss, 0.1);
    EXPECT_EQ(scenario->faults.delay, std::chrono::duration_cast<Duration>(20ms));

    ASSERT_EQ(scenario->networks.size(), 2u);
    EXPECT_FALSE(scenario->networks[0].extended);
    EXPECT_EQ(scenario->networks[0].zones, std::vector<std::string>{"Engineering"});
    const ScenarioNetwork& extended = scenario->networks[1];
    EXPECT_TRUE(extended.extended);
    EXPECT_EQ(extended.rangeStart, 10);
    EXPECT_EQ(extended.rangeEnd, 12);
    EXPECT_EQ(extended.zones[1], "Z\x9Frich Office"); // ü is 0x9F in Mac OS Roman
    EXPECT_EQ(extended.defaultZone, "Z\x9Frich Office");
    EXPECT_EQ(extended.loss, 0.0);

    ASSERT_EQ(scenario->printers.size(), 2u);
    EXPECT_EQ(scenario->printers[0].type, "LaserWriter");
    EXPECT_EQ(scenario->printers[0].network, 1);
    EXPECT_EQ(scenario->printers[0].node, 130);
    EXPECT_TRUE(scenario->printers[0].answers);
    const ScenarioPrinter& drucker = scenario->printers[1];
    EXPECT_EQ(drucker.network, 10); // found by its zone, case folded
    EXPECT_EQ(drucker.statusChanges.size(), 2u);
    EXPECT_EQ(drucker.statusInterval, std::chrono::duration_cast<Duration>(2500ms));
    EXPECT_EQ(drucker.answerDelay, std::chrono::duration_cast<Duration>(250ms));
    EXPECT_FALSE(drucker.answers);

    ASSERT_EQ(scenario->fileServers.size(), 1u);
    EXPECT_EQ(scenario->fileServers[0].network, 11);
}

struct BadFile {
    const char* what;
    const char* text;
    std::size_t line;
    const char* message; // a part of the message
};

const BadFile kBadFiles[] = {
    {"unknown key", "client_network = 1\n[[network]]\nnumber = 1\nzone = \"A\"\ncolour = \"red\"\n", 5,
     "unknown key 'colour'"},
    {"unknown top-level key", "client_network = 1\nrouters = 2\n[[network]]\nnumber = 1\nzone = \"A\"\n", 2,
     "unknown key 'routers'"},
    {"wrong type", "client_network = 1\n[[network]]\nnumber = \"one\"\nzone = \"A\"\n", 3,
     "network.number must be an integer"},
    {"wrong type of a flag",
     "client_network = 1\n[[network]]\nnumber = 1\nzone = \"A\"\n[[printer]]\nname = \"P\"\nzone = \"A\"\nanswers = "
     "\"no\"\n",
     8, "printer.answers must be true or false"},
    {"duplicate network",
     "client_network = 1\n[[network]]\nnumber = 1\nzone = \"A\"\n\n[[network]]\nnumber = 1\nzone = \"B\"\n", 6,
     "overlaps network 1"},
    {"overlapping range",
     "client_network = 1\n[[network]]\nrange = [1, 5]\nzones = [\"A\"]\n[[network]]\nnumber = 5\nzone = \"B\"\n", 5,
     "overlaps"},
    {"zone over 32 bytes in Mac OS Roman",
     "client_network = 1\n[[network]]\nnumber = 1\nzone = \"Zürich Zürich Zürich Zürich Zürich\"\n", 4,
     "at most 32 fit"},
    {"zone without Mac OS Roman", "client_network = 1\n[[network]]\nnumber = 1\nzone = \"東京\"\n", 4,
     "Mac OS Roman cannot carry"},
    {"printer in an unknown zone",
     "client_network = 1\n[[network]]\nnumber = 1\nzone = \"A\"\n[[printer]]\nname = \"P\"\nzone = \"Nowhere\"\n", 7,
     "'Nowhere' is not a zone of any network"},
    {"client on no network", "client_network = 9\n[[network]]\nnumber = 1\nzone = \"A\"\n", 1, "client_network"},
    {"no network at all", "client_network = 1\n", 1, "at least one [[network]]"},
    {"both number and range", "client_network = 1\n[[network]]\nnumber = 1\nrange = [1, 2]\nzone = \"A\"\n", 2,
     "either number"},
    {"default zone not listed",
     "client_network = 1\n[[network]]\nrange = [1, 2]\nzones = [\"A\"]\ndefault_zone = \"B\"\n", 2, "default zone"},
    {"same printer twice",
     "client_network = 1\n[[network]]\nnumber = 1\nzone = \"A\"\n[[printer]]\nname = \"P\"\nzone = "
     "\"A\"\n[[printer]]\nname = \"p\"\nzone = \"A\"\n",
     8, "already in that zone"},
    {"wildcard in a name",
     "client_network = 1\n[[network]]\nnumber = 1\nzone = \"A\"\n[[printer]]\nname = \"=\"\nzone = \"A\"\n", 5,
     "wildcards"},
    {"loss out of range", "client_network = 1\n[faults]\nloss = 1.5\n[[network]]\nnumber = 1\nzone = \"A\"\n", 3,
     "faults.loss"},
    {"TOML syntax", "client_network = 1\n[[network]\nnumber = 1\n", 2, ""},
};

TEST(ScenarioParsing, EachFaultIsReportedWithTheFileTheLineAndWhatIsWrong) {
    for (const auto& bad : kBadFiles) {
        SCOPED_TRACE(bad.what);
        ScenarioError error;
        EXPECT_FALSE(Scenario::parse(bad.text, "bad.toml", error).has_value());
        EXPECT_EQ(error.file, "bad.toml");
        EXPECT_EQ(error.line, bad.line) << error.describe();
        EXPECT_NE(error.message.find(bad.message), std::string::npos) << error.describe();
        EXPECT_EQ(error.describe().rfind("bad.toml:" + std::to_string(bad.line) + ":", 0), 0u) << error.describe();
    }
}

TEST(ScenarioLoading, AFileOnDiskIsReadAndAMissingOneIsNamed) {
    const auto path =
        std::filesystem::temp_directory_path() / ("vidur-scenario-" + std::to_string(::getpid()) + ".toml");
    {
        std::ofstream out(path);
        out << kGood;
    }
    ScenarioError error;
    const auto scenario = Scenario::load(path.string(), error);
    std::filesystem::remove(path);
    ASSERT_TRUE(scenario.has_value()) << error.describe();
    EXPECT_EQ(scenario->source, path.string());

    EXPECT_FALSE(Scenario::load(path.string(), error).has_value());
    EXPECT_EQ(error.describe(), path.string() + ": cannot be opened (No such file or directory)");
}

TEST(ScenarioLoading, TheBuiltInScenarioParsesWithAnAccentedZoneAndEveryKindOfDevice) {
    const Scenario scenario = Scenario::builtin();
    EXPECT_EQ(scenario.source, "<built-in>");
    EXPECT_GE(scenario.networks.size(), 3u);
    bool accented = false, extended = false;
    for (const auto& network : scenario.networks) {
        extended = extended || network.extended;
        for (const auto& zone : network.zones)
            for (const char c : zone) accented = accented || static_cast<unsigned char>(c) >= 0x80;
    }
    EXPECT_TRUE(accented);
    EXPECT_TRUE(extended);
    std::set<std::string> types;
    bool silent = false, changing = false;
    for (const auto& printer : scenario.printers) {
        types.insert(printer.type);
        silent = silent || !printer.answers;
        changing = changing || printer.statusChanges.size() > 1;
    }
    EXPECT_EQ(types, (std::set<std::string>{"LaserWriter", "ImageWriter", "LQ"}));
    EXPECT_TRUE(silent);
    EXPECT_TRUE(changing);
    EXPECT_FALSE(scenario.fileServers.empty());
}

TEST(ScenarioLoading, EveryExampleFileShippedBesideTheBuiltInOneLoads) {
    std::size_t examples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VIDUR_SCENARIO_DIR)) {
        if (entry.path().extension() != ".toml") continue;
        SCOPED_TRACE(entry.path().string());
        ScenarioError error;
        const auto scenario = Scenario::load(entry.path().string(), error);
        EXPECT_TRUE(scenario.has_value()) << error.describe();
        ++examples;
    }
    EXPECT_GE(examples, 3u);
}

} // namespace
} // namespace appletalk::sim
