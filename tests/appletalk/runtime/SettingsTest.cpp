// SPDX-License-Identifier: MIT
// "AppleTalk.INI" (the user's, the system's under it), the environment over it, the settings
// of a program that serves others, and the functions that keep their state there: the
// default printer and the PostScript printer types.
#include "support/ScopedEnvironment.h"

#include "appletalk/runtime/ApiResults.h"
#include "appletalk/runtime/ServerSettings.h"
#include "appletalk/runtime/Stack.h"
#include "appletalk/runtime/StackSettings.h"
#include "tarvlib/TarvlibApi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string_view>

namespace appletalk::runtime {
namespace {

using testing::ScopedEnvironment;

void writeFile(const ScopedEnvironment& environment, const std::string& text) {
    std::ofstream(environment.profileFile()) << text;
}

std::string readFile(const ScopedEnvironment& environment) {
    std::ifstream in(environment.profileFile());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

_NBPTuple printer(const char* object, const char* type, const char* zone, uint16_t net, uint8_t node, uint8_t socket) {
    _NBPTuple tuple;
    std::memset(&tuple, 0, sizeof tuple);
    NBPSetEntityName(&tuple.entity, object, type, zone);
    tuple.address = {net, node, socket};
    return tuple;
}

TEST(StackSettings, WithoutAFileTheEmbeddedSimulatedNetworkAndLaserWriterAreTheDefaults) {
    ScopedEnvironment environment;
    const auto settings = StackSettings::load();
    EXPECT_EQ(settings.link, LinkKind::Sim);
    EXPECT_EQ(settings.scenarioPath, "");
    EXPECT_EQ(settings.interfaceAddress, "127.0.0.1");
    EXPECT_EQ(settings.ttl, 1);
    EXPECT_EQ(settings.port, 1954);
    EXPECT_EQ(settings.postScriptTypes, std::vector<std::string>{"LaserWriter"});
    EXPECT_TRUE(settings.problems.empty());
}

TEST(StackSettings, ReadsEveryKeyOfTheFile) {
    ScopedEnvironment environment;
    writeFile(
        environment,
        "[Network]\r\nLink = LToUDP\r\nScenario=/tmp/campus.toml\r\nInterface=127.0.0.2\r\nTTL=0\r\nPort=21954\r\n"
        "[Printers]\r\nPostScriptTypes = LaserWriter, Phaser ,,LQ\r\n");
    const auto settings = StackSettings::load();
    EXPECT_EQ(settings.link, LinkKind::LToUdp);
    EXPECT_EQ(settings.scenarioPath, "/tmp/campus.toml");
    EXPECT_EQ(settings.interfaceAddress, "127.0.0.2");
    EXPECT_EQ(settings.ttl, 0);
    EXPECT_EQ(settings.port, 21954);
    EXPECT_EQ(settings.postScriptTypes, (std::vector<std::string>{"LaserWriter", "Phaser", "LQ"}));
}

TEST(StackSettings, TheEnvironmentWinsOverTheFile) {
    ScopedEnvironment environment;
    writeFile(environment, "[Network]\nLink=ltoudp\nInterface=127.0.0.9\nTTL=1\n");
    struct Row {
        const char* network;
        LinkKind link;
        const char* scenario;
        const char* address;
    };
    const Row rows[] = {
        {"sim", LinkKind::Sim, "", "127.0.0.9"},
        {"sim:/data/office.toml", LinkKind::Sim, "/data/office.toml", "127.0.0.9"},
        {"ltoudp", LinkKind::LToUdp, "", "127.0.0.9"},
        {"ltoudp:127.0.0.3", LinkKind::LToUdp, "", "127.0.0.3"},
        {"SIM", LinkKind::Sim, "", "127.0.0.9"},
    };
    for (const Row& row : rows) {
        environment.set("VIDUR_NETWORK", row.network);
        const auto settings = StackSettings::load();
        EXPECT_EQ(settings.link, row.link) << row.network;
        EXPECT_EQ(settings.scenarioPath, row.scenario) << row.network;
        EXPECT_EQ(settings.interfaceAddress, row.address) << row.network;
        EXPECT_TRUE(settings.problems.empty()) << row.network;
    }
    environment.set("VIDUR_LTOUDP_TTL", "0");
    EXPECT_EQ(StackSettings::load().ttl, 0);
}

TEST(StackSettings, TheLToUdpPortIsAnyOf1To65535FromTheFileOrTheEnvironment) {
    ScopedEnvironment environment;
    writeFile(environment, "[Network]\nPort=2000\n");
    EXPECT_EQ(StackSettings::load().port, 2000);
    const struct {
        const char* value;
        std::uint16_t port; // 2000: refused, the file's value stays
        bool accepted;
    } rows[] = {
        {"1", 1, true},         {"65535", 65535, true},       {"41954", 41954, true}, {"0", 2000, false},
        {"65536", 2000, false}, {"-1", 2000, false},          {"+5", 2000, false},    {"12x", 2000, false},
        {"port", 2000, false},  {"99999999999", 2000, false},
    };
    for (const auto& row : rows) {
        environment.set("VIDUR_LTOUDP_PORT", row.value);
        const auto settings = StackSettings::load();
        EXPECT_EQ(settings.port, row.port) << row.value;
        EXPECT_EQ(settings.problems.empty(), row.accepted) << row.value;
    }
}

TEST(StackSettings, ValuesItCannotUnderstandAreReportedAndIgnored) {
    ScopedEnvironment environment;
    writeFile(environment, "[Network]\nLink=ltoudp\nTTL=300\nPort=0\n");
    environment.set("VIDUR_LTOUDP_TTL", "-1");
    const auto settings = StackSettings::load();
    EXPECT_EQ(settings.ttl, 1);
    EXPECT_EQ(settings.port, 1954);
    ASSERT_EQ(settings.problems.size(), 3u);
    EXPECT_EQ(settings.problems[0], environment.profileFile().string() + ": TTL=300: not a number from 0 to 255");
    EXPECT_TRUE(settings.networkProblem.empty());
}

TEST(StackSettings, AMistakeInWhatNamesTheNetworkLeavesNoNetworkAndSaysWhereItIs) {
    ScopedEnvironment environment;
    const std::string file = environment.profileFile().string();
    const struct {
        const char* what;
        const char* text;
        std::string problem;
    } rows[] = {
        {"a typo in Link", "[Network]\nLink=ltuodp\n", file + ": Link=ltuodp: not a network (sim, ltoudp, ethertalk)"},
        {"a scenario that is not there", "[Network]\nLink=sim\nScenario=/nonexistent.toml\n",
         file + ": Scenario=/nonexistent.toml: cannot be read (No such file or directory)"},
        {"a scenario that is a folder", "[Network]\nScenario=/\n",
         file + ": Scenario=/: cannot be read (Is a directory)"},
        {"nothing wrong", "[Network]\nLink=sim\n", ""},
    };
    for (const auto& row : rows) {
        writeFile(environment, row.text);
        EXPECT_EQ(StackSettings::load().networkProblem, row.problem) << row.what;
    }

    // A settings file that cannot be read says nothing of the network: none is taken as chosen,
    // unless named outright.
    std::filesystem::remove(environment.profileFile());
    std::filesystem::create_directory(environment.profileFile());
    const std::string unreadable = StackSettings::load().networkProblem;
    EXPECT_TRUE(unreadable.starts_with(file + " cannot be read by user ")) << unreadable;
    EXPECT_TRUE(unreadable.ends_with(" (Is a directory)")) << unreadable;
    environment.set("VIDUR_NETWORK", "sim");
    EXPECT_EQ(StackSettings::load().networkProblem, "");
    environment.set("VIDUR_NETWORK", "tokentalk");
    EXPECT_EQ(StackSettings::load().networkProblem,
              "the environment: VIDUR_NETWORK=tokentalk: not a network (sim, ltoudp, ethertalk)");
}

TEST(StackSettings, TheLibraryRunsOnNoNetworkRatherThanTheSimulatedOneWhenTheLinkIsMistyped) {
    ScopedEnvironment environment;
    writeFile(environment, "[Network]\nLink=ltuodp\n");
    Stack::install(nullptr);
    ATEnumHandle zones = 0;
    ASSERT_EQ(ZIPOpenEnum(&zones, ZIP_ENUM_ALL_ZONES), kOk);
    EXPECT_EQ(ZIPEnumStatus(zones), kErrNoNetwork);
    ZIPCloseEnum(zones);
    EXPECT_NE(Stack::current()->problem().find("Link=ltuodp"), std::string::npos) << Stack::current()->problem();
    Stack::install(nullptr);
}

TEST(StackSettings, AKeyMissingFromTheUsersFileIsTakenFromTheSystemFile) {
    ScopedEnvironment environment;
    std::ofstream(environment.systemFile())
        << "[Network]\nLink=ltoudp\nInterface=127.0.0.5\nPort=3000\n[Printers]\nPostScriptTypes=Phaser\n"
           "DefaultPrinter=AppleTalk PAP; 1 2 3, Front:LaserWriter@Hall\n";
    // What the Chooser writes: printers, no network.
    writeFile(environment, "[Printers]\nPostScriptTypes=LaserWriter\n[Network]\nPort=4000\n");
    const auto settings = StackSettings::load();
    EXPECT_EQ(settings.link, LinkKind::LToUdp);
    EXPECT_TRUE(settings.linkChosen);
    EXPECT_EQ(settings.interfaceAddress, "127.0.0.5");
    EXPECT_EQ(settings.port, 4000);
    EXPECT_EQ(settings.postScriptTypes, std::vector<std::string>{"LaserWriter"});
    _NBPTuple chosen;
    ASSERT_EQ(PAPGetDefaultPrinter(&chosen), kOk);
    EXPECT_STREQ(chosen.entity.object, "Front");
}

TEST(ServerSettings, NeverFallBackToTheSimulatedNetworkAndSayWhatIsWrongWithTheFile) {
    ScopedEnvironment environment;
    const auto system = environment.systemFile();
    const auto serverLoad = [](const NetworkOverride& chosen = {}) {
        return ServerSettings::load(SettingsFiles::systemOnly(), chosen);
    };
    auto loaded = serverLoad();
    EXPECT_FALSE(loaded.settings);
    EXPECT_EQ(loaded.problem, "no AppleTalk network: " + system.string() + " does not exist");

    // A folder where the file should be cannot be read, whoever runs the test.
    std::filesystem::create_directory(system);
    loaded = serverLoad();
    EXPECT_FALSE(loaded.settings);
    EXPECT_NE(loaded.problem.find(system.string() + " cannot be read by user "), std::string::npos) << loaded.problem;
    EXPECT_NE(loaded.problem.find("(Is a directory)"), std::string::npos) << loaded.problem;
    std::filesystem::remove(system);

    std::ofstream(system) << "[Printers]\nPostScriptTypes=LaserWriter\n";
    loaded = serverLoad();
    EXPECT_EQ(loaded.problem, "no AppleTalk network: " + system.string() + " names no network (no Link= in [Network])");
    loaded = serverLoad({"ltoudp:127.0.0.7", "2001", "0", "the printer's URI"});
    ASSERT_TRUE(loaded.settings) << loaded.problem;
    EXPECT_EQ(loaded.settings->interfaceAddress, "127.0.0.7");
    EXPECT_FALSE(loaded.settings->remembersAddress);
    EXPECT_EQ(serverLoad({"tokentalk", {}, {}, "the printer's URI"}).problem,
              "no AppleTalk network: the printer's URI: tokentalk: not a network (sim, ltoudp, ethertalk)");
    std::ofstream(system) << "[Network]\nLink=ltuodp\n";
    EXPECT_EQ(serverLoad().problem,
              "no AppleTalk network: " + system.string() + ": Link=ltuodp: not a network (sim, ltoudp, ethertalk)");

    // The simulated network, said outright, is a choice like any other.
    std::ofstream(system) << "[Network]\nLink=sim\n";
    loaded = serverLoad();
    ASSERT_TRUE(loaded.settings);
    EXPECT_EQ(loaded.settings->link, LinkKind::Sim);
}

TEST(ServerSettings, RunByHandReadTheUsersFileAndTheSystemsUnderIt) {
    ScopedEnvironment environment;
    writeFile(environment, "[Printers]\nPostScriptTypes=LaserWriter\n");
    const auto loaded = ServerSettings::load();
    EXPECT_FALSE(loaded.settings);
    EXPECT_EQ(loaded.problem, "no AppleTalk network: " + environment.profileFile().string() +
                                  " names no network (no Link= in [Network]); " + environment.systemFile().string() +
                                  " does not exist");
    // Started by CUPS, the user's file is not read at all.
    writeFile(environment, "[Network]\nLink=ltoudp\n");
    ASSERT_TRUE(ServerSettings::load().settings);
    environment.set("CUPS_SERVERROOT", "/etc/cups");
    EXPECT_EQ(ServerSettings::load().source, environment.systemFile().string());
    EXPECT_FALSE(ServerSettings::load().settings);
}

TEST(DefaultPrinter, IsNotSetUntilSomeoneSetsIt) {
    ScopedEnvironment environment;
    _NBPTuple out;
    std::memset(&out, 0x5A, sizeof out);
    EXPECT_NE(PAPGetDefaultPrinter(&out), kOk);
    EXPECT_EQ(static_cast<unsigned char>(out.entity.object[0]), 0x5A);
    EXPECT_EQ(PAPGetDefaultPrinter(nullptr), kErrBadArgument);
}

// Every printer a user can choose reads back exactly: the recent lists' form when it can
// carry the names, the escaped form when it cannot.
TEST(DefaultPrinter, EveryPrinterComesBackExactlyAsItWasSet) {
    ScopedEnvironment environment;
    const _NBPTuple rows[] = {
        printer("Laser 1", "LaserWriter", "Engineering", 1, 200, 130),
        printer("Drucker Z\x9Frich", "LaserWriter", "Z\x9Frich Office", 3, 129, 250),
        printer("Lab: 2nd floor", "LaserWriter", "*", 65535, 255, 255),
        printer("ops@north", "ImageWriter", "Marketing", 0, 0, 0),
        printer("Odd", "Laser:Writer", "Engineering", 1, 2, 3),
        printer("Odd", "LaserWriter", "North@Campus", 1, 2, 3),
        printer("Line\nbreak\r", "LaserWriter", "Zone ", 4, 5, 6),
        printer(" 100%41 \x1B", "LaserWriter", "\tA:B@C ", 7, 8, 9),
    };
    for (const _NBPTuple& set : rows) {
        ASSERT_EQ(PAPSetDefaultPrinter(&set), kOk) << set.entity.object;
        _NBPTuple got;
        std::memset(&got, 0x5A, sizeof got);
        ASSERT_EQ(PAPGetDefaultPrinter(&got), kOk) << set.entity.object;
        EXPECT_STREQ(got.entity.object, set.entity.object);
        EXPECT_STREQ(got.entity.type, set.entity.type);
        EXPECT_STREQ(got.entity.zone, set.entity.zone);
        EXPECT_EQ(got.address.network, set.address.network);
        EXPECT_EQ(got.address.nodeID, set.address.nodeID);
        EXPECT_EQ(got.address.socket, set.address.socket);
        if (std::string_view(set.entity.zone) == "North@Campus") {
            EXPECT_NE(readFile(environment)
                          .find("DefaultPrinter=AppleTalk PAP escaped; 1 2 3, Odd:LaserWriter@North%40Campus\n"),
                      std::string::npos);
        }
        if (std::string_view(set.entity.object) == "ops@north") {
            EXPECT_NE(
                readFile(environment).find("DefaultPrinter=AppleTalk PAP; 0 0 0, ops@north:ImageWriter@Marketing"),
                std::string::npos);
        }
    }
    _NBPTuple empty = printer("", "LaserWriter", "Engineering", 1, 2, 3);
    EXPECT_EQ(PAPSetDefaultPrinter(&empty), kErrBadArgument);
    EXPECT_EQ(PAPSetDefaultPrinter(nullptr), kErrBadArgument);
}

TEST(DefaultPrinter, AnEscapedValueThatIsBrokenIsNoDefaultPrinter) {
    ScopedEnvironment environment;
    for (const char* value : {"AppleTalk PAP escaped; 1 2 3, A:B@C%4", "AppleTalk PAP escaped; 1 2 3, A:B@C%00",
                              "AppleTalk PAP escaped; 1 2 3, A:B:C@D", "AppleTalk PAP escaped; 1 2 3, :B@C",
                              "AppleTalk PAP escaped; 1 2 999, A:B@C"}) {
        writeFile(environment, std::string("[Printers]\nDefaultPrinter=") + value + "\n");
        _NBPTuple got;
        EXPECT_EQ(PAPGetDefaultPrinter(&got), kErrNoDefault) << value;
    }
}

TEST(PostScriptPrinterTypes, AreLaserWriterByDefaultComparedWithTheNbpCaseFold) {
    ScopedEnvironment environment;
    EXPECT_NE(IsPostScriptPrinterType("LaserWriter"), 0);
    EXPECT_NE(IsPostScriptPrinterType("laserwriter"), 0);
    EXPECT_EQ(IsPostScriptPrinterType("ImageWriter"), 0);
    EXPECT_EQ(IsPostScriptPrinterType("LQ"), 0);
    EXPECT_EQ(IsPostScriptPrinterType("LaserWriter "), 0);
    EXPECT_EQ(IsPostScriptPrinterType(""), 0);
    EXPECT_EQ(IsPostScriptPrinterType(nullptr), 0);
}

TEST(PostScriptPrinterTypes, FollowTheListInTheFile) {
    ScopedEnvironment environment;
    writeFile(environment, "[Printers]\nPostScriptTypes=ImageWriter, Phaser\n");
    EXPECT_EQ(IsPostScriptPrinterType("LaserWriter"), 0);
    EXPECT_NE(IsPostScriptPrinterType("IMAGEWRITER"), 0);
}

} // namespace
} // namespace appletalk::runtime
