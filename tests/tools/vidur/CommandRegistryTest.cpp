// SPDX-License-Identifier: MIT
// The dispatch every subcommand goes through: help, bad usage as one line with status 2,
// --network applied before the command runs, and commands plugged in or replaced by name.
#include "tools/vidur/cli/CommandRegistry.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/cli/NetworkChoice.h"
#include "tools/vidur/cli/UsageError.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vidur::cli {
namespace {

class RecordingCommand : public Command {
public:
    explicit RecordingCommand(std::string name, int status = kExitSuccess) : name_(std::move(name)), status_(status) {}
    std::string name() const override { return name_; }
    std::string summary() const override { return "does " + name_; }
    std::string synopsis() const override { return "[THING] [--loud]"; }
    std::vector<OptionSpec> options() const override { return {{"loud", {}, "say it loudly"}}; }
    std::size_t maxPositionals() const override { return 1; }
    int run(const ParsedArguments& arguments, CommandIo& io) override {
        ++runs;
        const char* network = std::getenv(NetworkChoice::kVariable);
        seenNetwork = network ? network : "";
        if (!arguments.positionals().empty() && arguments.positionals()[0] == "bad") throw UsageError("bad thing");
        io.out << name_ << (arguments.has("loud") ? "!" : "") << "\n";
        return status_;
    }
    int runs = 0;
    std::string seenNetwork;

private:
    std::string name_;
    int status_;
};

struct CommandRegistryTest : ::testing::Test {
    void SetUp() override {
        ::unsetenv(NetworkChoice::kVariable);
        auto command = std::make_unique<RecordingCommand>("zones");
        zones = command.get();
        registry.add(std::move(command));
        registry.add(std::make_unique<RecordingCommand>("lookup", kExitNothingFound));
    }
    void TearDown() override { ::unsetenv(NetworkChoice::kVariable); }

    int run(std::vector<std::string> arguments) {
        out.str({});
        err.str({});
        return registry.run(arguments, io);
    }

    CommandRegistry registry;
    RecordingCommand* zones = nullptr;
    std::ostringstream out, err;
    CommandIo io{out, err};
};

TEST_F(CommandRegistryTest, RunsTheNamedCommandAndReturnsItsStatus) {
    EXPECT_EQ(run({"zones", "--loud"}), kExitSuccess);
    EXPECT_EQ(out.str(), "zones!\n");
    EXPECT_EQ(run({"lookup"}), kExitNothingFound);
    EXPECT_EQ(err.str(), "");
}

TEST_F(CommandRegistryTest, OverviewListsEveryCommandWithItsSummary) {
    EXPECT_EQ(run({"--help"}), kExitSuccess);
    EXPECT_NE(out.str().find("  zones   does zones\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("  lookup  does lookup\n"), std::string::npos);
    EXPECT_EQ(run({}), kExitError);
    EXPECT_NE(err.str().find("usage: vidur [--network NETWORK] COMMAND"), std::string::npos);
}

TEST_F(CommandRegistryTest, VersionIsTheProjectVersion) {
    EXPECT_EQ(run({"--version"}), kExitSuccess);
    EXPECT_EQ(out.str(), std::string("vidur ") + VIDUR_PROJECT_VERSION + "\n");
}

TEST_F(CommandRegistryTest, CommandHelpShowsUsageAndEveryOptionWithoutRunning) {
    EXPECT_EQ(run({"zones", "--bogus", "--help"}), kExitSuccess);
    EXPECT_EQ(zones->runs, 0);
    EXPECT_EQ(out.str().rfind("usage: vidur zones [THING] [--loud]\n", 0), 0u) << out.str();
    for (const char* option : {"--loud", "--network NETWORK", "--help"})
        EXPECT_NE(out.str().find(option), std::string::npos) << option;
    EXPECT_EQ(run({"help", "zones"}), kExitSuccess);
    EXPECT_EQ(out.str().rfind("usage: vidur zones", 0), 0u);
}

TEST_F(CommandRegistryTest, BadUsageIsOneLineOnStderrWithStatusTwo) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"frobnicate"}, "vidur: unknown command 'frobnicate' (see 'vidur --help')\n"},
        {{"zones", "--quiet"}, "vidur zones: unknown option '--quiet'\n"},
        {{"zones", "a", "b"}, "vidur zones: unexpected argument 'b'; usage: vidur zones [THING] [--loud]\n"},
        {{"zones", "--network"}, "vidur zones: option '--network' needs a value (NETWORK)\n"},
        {{"zones", "--network", "tokentalk"},
         "vidur zones: --network takes sim[:SCENARIO], ltoudp[:INTERFACE-ADDRESS] or ethertalk:INTERFACE, not "
         "'tokentalk'\n"},
        {{"zones", "--network", "ethertalk"},
         "vidur zones: --network ethertalk: needs the Ethernet interface, e.g. ethertalk:eth0\n"},
        {{"zones", "bad"}, "vidur zones: bad thing\n"},
    };
    for (const auto& [arguments, message] : cases) {
        EXPECT_EQ(run(arguments), kExitError);
        EXPECT_EQ(err.str(), message);
        EXPECT_EQ(out.str(), "");
    }
}

TEST_F(CommandRegistryTest, NetworkOptionIsSetBeforeTheCommandRuns) {
    run({"zones", "--network", "ltoudp:127.0.0.1"});
    EXPECT_EQ(zones->seenNetwork, "ltoudp:127.0.0.1");
    run({"zones", "--network=sim"});
    EXPECT_EQ(zones->seenNetwork, "sim");
}

// As users type it (and the completion offers it): before the command, for that command.
TEST_F(CommandRegistryTest, NetworkOptionBeforeTheCommandIsTheCommands) {
    EXPECT_EQ(run({"--network", "ltoudp:127.0.0.1", "zones", "--loud"}), kExitSuccess);
    EXPECT_EQ(zones->seenNetwork, "ltoudp:127.0.0.1");
    EXPECT_EQ(out.str(), "zones!\n");
    run({"--network=ltoudp", "zones", "--network", "sim"});
    EXPECT_EQ(zones->seenNetwork, "sim") << "the one after the command wins";

    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"--network"}, "vidur: option '--network' needs a value (NETWORK)\n"},
        {{"--network", "sim"}, "vidur: --network comes with a command (see 'vidur --help')\n"},
        {{"--networks", "sim", "zones"}, "vidur: unknown command '--networks' (see 'vidur --help')\n"},
        {{"--network", "tokentalk", "zones"},
         "vidur zones: --network takes sim[:SCENARIO], ltoudp[:INTERFACE-ADDRESS] or ethertalk:INTERFACE, not "
         "'tokentalk'\n"},
    };
    for (const auto& [arguments, message] : refused) {
        EXPECT_EQ(run(arguments), kExitError);
        EXPECT_EQ(err.str(), message);
    }
}

TEST_F(CommandRegistryTest, AddingANameAgainReplacesTheCommandInPlace) {
    registry.add(std::make_unique<RecordingCommand>("zones", kExitNothingFound));
    EXPECT_EQ(run({"zones"}), kExitNothingFound);
    ASSERT_EQ(registry.commands().size(), 2u);
    EXPECT_EQ(registry.commands()[0]->name(), "zones");
}

TEST(NetworkChoice, ParsesEveryFormAndRefusesTheRest) {
    EXPECT_EQ(NetworkChoice::parse("sim").settingValue(), "sim");
    EXPECT_EQ(NetworkChoice::parse("ltoudp").settingValue(), "ltoudp");
    EXPECT_EQ(NetworkChoice::parse("ltoudp:127.0.0.1").argument(), "127.0.0.1");
    EXPECT_EQ(NetworkChoice::parse("ltoudp:127.0.0.1").kind(), NetworkChoice::Kind::LToUdp);
    EXPECT_EQ(NetworkChoice::parse("ethertalk:eth0").settingValue(), "ethertalk:eth0");
    for (const char* bad : {"", "Sim", "ethertalk", "ethertalk:a/b", "sim:", "ltoudp:", "ltoudp:localhost",
                            "ltoudp:1.2.3", "ltoudp:::1", "sim:/nonexistent/scenario.toml"}) {
        EXPECT_THROW(NetworkChoice::parse(bad), UsageError) << bad;
    }
}

TEST(NetworkChoice, TakesAReadableScenarioFile) {
    const auto path =
        std::filesystem::temp_directory_path() / ("vidur-cli-choice-" + std::to_string(::getpid()) + ".toml");
    std::ofstream(path) << "# empty\n";
    EXPECT_EQ(NetworkChoice::parse("sim:" + path.string()).settingValue(), "sim:" + path.string());
    std::filesystem::remove(path);
}

} // namespace
} // namespace vidur::cli
