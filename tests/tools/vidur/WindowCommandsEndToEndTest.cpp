// SPDX-License-Identifier: MIT
// The window subcommands of the built `vidur`, offscreen (no display in their environment),
// against the embedded default network, each test with its own profile folder.
#include "VidurProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>

namespace vidur::cli {
namespace {

using testing::ProcessResult;
using testing::VidurProcess;
using namespace std::chrono_literals;

class VidurWindows : public ::testing::Test {
protected:
    void SetUp() override {
        folder =
            std::filesystem::temp_directory_path() / ("vidur-windows-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // No display, so the commands run offscreen as on a server; the embedded network.
    ProcessResult vidur(std::vector<std::string> arguments, const std::string& png,
                        std::optional<std::string> network = std::nullopt) {
        arguments.push_back("--screenshot");
        arguments.push_back((folder / png).string());
        return VidurProcess::run(arguments,
                                 {{"VIDUR_PROFILE_DIR", folder.string()},
                                  {"VIDUR_NETWORK", network},
                                  {"DISPLAY", std::nullopt},
                                  {"WAYLAND_DISPLAY", std::nullopt},
                                  {"QT_QPA_PLATFORM", std::nullopt}},
                                 90s);
    }
    std::string fileText(const std::string& name) const {
        std::ifstream in(folder / name);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // A PNG file: its signature and more than a header's worth of bytes.
    bool isPng(const std::string& name) const {
        const std::string bytes = fileText(name);
        return bytes.size() > 1000 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
    }

    std::filesystem::path folder;
};

TEST_F(VidurWindows, ChooserOffscreenChoosesTheFirstLaserWriterOfTheLocalZoneAndRecordsIt) {
    const auto result = vidur({"chooser"}, "chooser.png");
    EXPECT_EQ(result.exitCode, 1) << "IDOK is the exit status\n" << result.err;
    EXPECT_NE(result.out.find("zones (6):\n  Building 4\n  Design Studio\n  Engineering\n"), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("selected zone: Engineering\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("devices (2):\n  Laser 1\n  Laser 2\n"), std::string::npos) << result.out;
    EXPECT_TRUE(std::regex_search(result.out, std::regex("chosen: Laser 1:LaserWriter@Engineering\n"
                                                         "  object:  Laser 1\n  type:    LaserWriter\n"
                                                         "  zone:    Engineering\n  address: 1\\.\\d+ socket \\d+\n")))
        << result.out;
    EXPECT_TRUE(isPng("chooser.png"));
    EXPECT_NE(fileText("Halvora.INI").find("Printer1=AppleTalk PAP; 1 "), std::string::npos) << fileText("Halvora.INI");
}

// The simulated network's file servers answer NBP but not AppleShare: the chosen one's
// silence ends the run, said, with no window left waiting.
TEST_F(VidurWindows, ChooserWithFileServersOnlyChoosesAServer) {
    const auto result = vidur({"chooser", "--flags", "2"}, "servers.png");
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_NE(result.out.find("type: AFPServer\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(":AFPServer@Engineering\n"), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("vidur chooser: the server stopped answering"), std::string::npos) << result.err;
}

TEST_F(VidurWindows, AChoiceIsReportedAsRecordedOnlyWhenItWas) {
    // No device class offered: a device is chosen, but no recent list is written. The device
    // is a simulated file server, whose AppleShare silence then ends the run (2).
    const auto none = vidur({"chooser", "--flags", "0"}, "none.png");
    EXPECT_EQ(none.exitCode, 2) << none.err;
    EXPECT_NE(none.out.find(":AFPServer@"), std::string::npos) << none.out;
    EXPECT_EQ(none.out.find("recorded in:"), std::string::npos) << none.out;
    EXPECT_NE(none.out.find("not recorded"), std::string::npos) << none.out;
    EXPECT_EQ(fileText("Halvora.INI").find("Printer1="), std::string::npos) << fileText("Halvora.INI");

    // A zone holding '@' cannot be stored so that it reads back as itself: nothing is
    // stored, the user is told, and the command does not claim it.
    const std::string scenario = (folder / "at.toml").string();
    std::ofstream(scenario) << "client_network = 7\n[[network]]\nnumber = 7\nzone = \"Lab@North\"\n"
                               "[[network]]\nnumber = 8\nzone = \"Other\"\n"
                               "[[printer]]\nname = \"Laser\"\ntype = \"LaserWriter\"\nzone = \"Lab@North\"\n";
    const auto at = vidur({"chooser", "--flags", "1"}, "at.png", "sim:" + scenario);
    EXPECT_EQ(at.exitCode, 1) << at.err;
    EXPECT_NE(at.out.find("chosen: Laser:LaserWriter@Lab@North\n"), std::string::npos) << at.out;
    EXPECT_NE(at.out.find("not recorded"), std::string::npos) << at.out;
    EXPECT_NE(at.err.find("its name cannot be kept in the list of recent devices"), std::string::npos) << at.err;
    EXPECT_EQ(fileText("Halvora.INI").find("Printer1="), std::string::npos) << fileText("Halvora.INI");
}

TEST_F(VidurWindows, APrinterInAZoneEndingInABlankIsFoundAgainByTheStatusWindow) {
    const std::string scenario = (folder / "blank.toml").string();
    std::ofstream(scenario) << "client_network = 7\n[[network]]\nnumber = 7\nzone = \"Zone \"\n"
                               "[[network]]\nnumber = 8\nzone = \"Other\"\n"
                               "[[printer]]\nname = \"Laser\"\ntype = \"LaserWriter\"\nzone = \"Zone \"\n"
                               "status = \"status: idle\"\n";
    const auto chosen = vidur({"chooser", "--flags", "1"}, "chooser.png", "sim:" + scenario);
    ASSERT_EQ(chosen.exitCode, 1) << chosen.err;
    EXPECT_NE(chosen.out.find("recorded in:"), std::string::npos) << chosen.out;
    EXPECT_NE(fileText("Halvora.INI").find(", Laser:LaserWriter@Zone \"\n"), std::string::npos)
        << fileText("Halvora.INI");
    const auto status = vidur({"status"}, "status.png", "sim:" + scenario);
    EXPECT_NE(status.out.find("printers (1):\n* Laser:LaserWriter@Zone \n"), std::string::npos) << status.out;
    EXPECT_NE(status.out.find("status text: status: idle"), std::string::npos) << status.out;
    // Chosen again: moved up, never a second copy.
    ASSERT_EQ(vidur({"chooser", "--flags", "1"}, "again.png", "sim:" + scenario).exitCode, 1);
    EXPECT_EQ(fileText("Halvora.INI").find("Printer2="), std::string::npos) << fileText("Halvora.INI");
}

TEST_F(VidurWindows, StatusAfterAChoiceShowsThePrinterAndItsAnswer) {
    ASSERT_EQ(vidur({"chooser"}, "chooser.png").exitCode, 1);
    const auto result = vidur({"status"}, "status.png");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("printers (1):\n* Laser 1:LaserWriter@Engineering\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("default printer: Laser 1:LaserWriter@Engineering\n"), std::string::npos) << result.out;
    EXPECT_TRUE(std::regex_search(result.out, std::regex("status text: status: [a-z]+")))
        << "an answer, not \"looking for printer\"\n"
        << result.out;
    EXPECT_TRUE(isPng("status.png"));
}

TEST_F(VidurWindows, StatusWithNoPrinterChosenSaysSoAndExitsOne) {
    const auto result = vidur({"status"}, "status.png");
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.err.find("Please use the Chooser to select a printer."), std::string::npos) << result.err;
    EXPECT_NE(result.out.find("printers (0):\n"), std::string::npos) << result.out;
}

TEST_F(VidurWindows, NetinfoShowsTheGeneralPagesThreeTexts) {
    const auto result = vidur({"netinfo"}, "netinfo.png");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(std::regex_search(result.out, std::regex("Network Address: 1 \\d+ \\(0001 [0-9A-F]{2}\\)\n"
                                                         "Local Zone:      Engineering\n"
                                                         "Network Range:   1-1\n")))
        << result.out;
    EXPECT_TRUE(isPng("netinfo.png"));
}

TEST_F(VidurWindows, NetinfoTextStaysBehindTheTextOption) {
    const auto result = vidur({"netinfo", "--text"}, "unused.png");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("zone:"), std::string::npos) << result.out;
    EXPECT_FALSE(std::filesystem::exists(folder / "unused.png"));
}

} // namespace
} // namespace vidur::cli
