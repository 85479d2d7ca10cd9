// SPDX-License-Identifier: MIT
// The built `vidur` against mistakes in AppleTalk.INI, and a look-up that loses frames on
// the way: each is said, with where it is, and the exit status tells it apart from success.
#include "VidurProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vidur::cli {
namespace {

using testing::ProcessResult;
using testing::VidurProcess;

class VidurSettings : public ::testing::Test {
protected:
    void SetUp() override {
        folder =
            std::filesystem::temp_directory_path() / ("vidur-settings-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        settings = folder / "AppleTalk.INI";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // Only the test's own settings: no system file, no network named in the environment.
    ProcessResult vidur(const std::vector<std::string>& arguments) {
        return VidurProcess::run(arguments, {{"VIDUR_PROFILE_DIR", folder.string()},
                                             {"VIDUR_SYSTEM_SETTINGS_DIR", (folder / "system").string()},
                                             {"VIDUR_NETWORK", std::nullopt}});
    }

    std::filesystem::path folder;
    std::filesystem::path settings;
};

TEST_F(VidurSettings, AMistakeThatNamesTheNetworkExitsTwoNamingFileKeyAndValue) {
    const std::string file = settings.string();
    const struct {
        const char* what;
        const char* text;
        std::string error;
    } rows[] = {
        {"a mistyped link", "[Network]\nLink=ltuodp\n",
         "vidur zones: " + file + ": Link=ltuodp: not a network (sim, ltoudp, ethertalk)\n"},
        {"a scenario that is not there", "[Network]\nScenario=/nonexistent.toml\n",
         "vidur zones: " + file + ": Scenario=/nonexistent.toml: cannot be read (No such file or directory)\n"},
    };
    for (const auto& row : rows) {
        std::ofstream(settings) << row.text;
        const auto result = vidur({"zones"});
        EXPECT_EQ(result.exitCode, 2) << row.what;
        EXPECT_EQ(result.err, row.error) << row.what;
        EXPECT_EQ(result.out, "") << row.what << ": the simulated network ran";
    }
    // A network named for the run stands over the file's mistaken link (a scenario the file
    // names still counts: "sim" alone keeps it).
    std::ofstream(settings) << rows[0].text;
    EXPECT_EQ(vidur({"zones", "--mine", "--network", "sim"}).exitCode, 0);
}

TEST_F(VidurSettings, AFolderInPlaceOfTheSettingsFileIsNamedWithoutAnAbort) {
    std::filesystem::create_directory(settings);
    for (const char* command : {"zones", "lookup"}) {
        const auto result = vidur({command});
        EXPECT_EQ(result.exitCode, 2) << command;
        EXPECT_NE(result.err.find(settings.string() + " cannot be read by user "), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("(Is a directory)"), std::string::npos) << result.err;
    }
}

TEST_F(VidurSettings, ALookUpThatLostFramesSaysSoAndExitsThree) {
    // Half of every copy on the client's cable is lost, and two dozen printers answer each of
    // the look-up's two sends: some answer is lost in every run.
    std::ofstream scenario(folder / "lossy.toml");
    scenario << "title = \"Lossy\"\nclient_network = 1\n\n[[network]]\nnumber = 1\nzone = \"Near\"\nloss = 0.5\n";
    for (int i = 1; i <= 24; ++i)
        scenario << "\n[[printer]]\nname = \"Laser " << i << "\"\ntype = \"LaserWriter\"\nzone = \"Near\"\n";
    scenario.close();
    const auto result = vidur({"lookup", "=:LaserWriter@Near", "--network", "sim:" + (folder / "lossy.toml").string()});
    EXPECT_EQ(result.exitCode, 3) << result.err;
    EXPECT_NE(result.err.find(" were lost on the way in"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("the answer may be incomplete"), std::string::npos) << result.err;
}

} // namespace
} // namespace vidur::cli
