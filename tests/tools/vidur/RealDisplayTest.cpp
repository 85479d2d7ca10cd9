// SPDX-License-Identifier: MIT
// The window subcommands on a real X server: Xvfb without a window manager, keys and clicks
// sent through the server as a user's, and what the server shows read from its screen. Skipped
// only when Xvfb cannot start here.
#include "RealDisplayFixture.h"
#include "ShareProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace vidur::cli {
namespace {

using testing::ProcessResult;
using testing::Px;
using testing::Py;
using testing::RealDisplay;
using testing::RealDisplayFixture;
using testing::ScreenRect;
using testing::Screenshot;
using testing::VidurProcess;
using namespace std::chrono_literals;

class RealDisplayTest : public RealDisplayFixture {
protected:
    explicit RealDisplayTest(RealDisplay::LastClient lastClient = RealDisplay::LastClient::KeepsServer)
        : RealDisplayFixture(lastClient) {}

    // A window command on the display; it prints "screenshot:" each time its window is ready.
    std::unique_ptr<VidurProcess> open(const std::vector<std::string>& command) {
        std::vector<std::string> arguments = command;
        arguments.insert(arguments.end(), {"--screenshot", (folder / "window.png").string()});
        return std::make_unique<VidurProcess>(arguments, environment());
    }
    // Finds the window, gives it the keyboard (no window manager does) and answers its place.
    ScreenRect focus(const std::string& title) {
        const unsigned long window = display.findWindow(title);
        EXPECT_NE(window, 0UL) << "no window \"" << title << "\" on " << display.name();
        display.xdotool({"windowfocus", "--sync", std::to_string(window)});
        return display.geometry(window);
    }
    // The default push button's dark frame: its top and left edges are black, which a plain
    // button's raised bevel never draws.
    static bool HasDefaultFrame(const Screenshot& shot, const ScreenRect& button) {
        return shot.at(button.x + button.width / 2, button.y) == 0 &&
               shot.at(button.x, button.y + button.height / 2) == 0;
    }
};

// The Chooser's controls on the screen, from its template.
struct ChooserLayout {
    explicit ChooserLayout(const ScreenRect& w)
        : typeBox{w.x + Px(5), w.y + Py(20), Px(112), 42},
          zoneBox{w.x + Px(5), w.y + Py(60), Px(112), 21},
          list{w.x + Px(125), w.y + Py(20), Px(125), Py(90)},
          ok{w.x + Px(129), w.y + Py(120), Px(50), Py(14)},
          cancel{w.x + Px(196), w.y + Py(120), Px(50), Py(14)} {}
    // Where a box's open list lies: under the box, as wide.
    static ScreenRect dropped(const ScreenRect& box) { return {box.x + 2, box.y + box.height + 2, box.width - 4, 30}; }
    ScreenRect typeBox, zoneBox, list, ok, cancel;
};

TEST_F(RealDisplayTest, ChooserEnterChoosesTheFirstDeviceAndOkIsFramedAsTheDefault) {
    auto chooser = open({"chooser"});
    ASSERT_TRUE(chooser->waitForOutput("screenshot:", 60s)) << "the look-up did not end";
    const ChooserLayout layout(focus("Chooser"));
    const Screenshot shot = screenWhen([&](const Screenshot& s) { return HasDefaultFrame(s, layout.ok); });
    EXPECT_TRUE(HasDefaultFrame(shot, layout.ok)) << "OK has the default button's dark frame";
    EXPECT_FALSE(HasDefaultFrame(shot, layout.cancel));
    display.key("Return");
    const ProcessResult result = chooser->finish(30s);
    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
    EXPECT_NE(result.out.find("chosen: Laser 1:LaserWriter@Engineering\n"), std::string::npos) << result.out;
}

TEST_F(RealDisplayTest, ChooserEscapeCancels) {
    auto chooser = open({"chooser"});
    ASSERT_TRUE(chooser->waitForOutput("screenshot:", 60s));
    focus("Chooser");
    display.key("Escape");
    const ProcessResult result = chooser->finish(30s);
    EXPECT_EQ(result.exitCode, 2) << result.out << result.err;
    EXPECT_NE(result.out.find("cancelled\n"), std::string::npos) << result.out;
}

// OK on an empty list ends the dialog as a choice does, with the tuple untouched: no choice.
TEST_F(RealDisplayTest, ChooserReturnOnAnEmptyListChoosesNothing) {
    const std::filesystem::path scenario = folder / "quiet.toml";
    std::ofstream(scenario) << "client_network = 5\n[[network]]\nnumber = 5\nzone = \"Quiet\"\n";
    VidurProcess chooser({"chooser", "--screenshot", (folder / "window.png").string()},
                         environment({{"VIDUR_NETWORK", "sim:" + scenario.string()}}));
    ASSERT_TRUE(chooser.waitForOutput("screenshot:", 60s));
    focus("Chooser");
    display.key("Return");
    const ProcessResult result = chooser.finish(30s);
    EXPECT_EQ(result.exitCode, 2) << result.out << result.err;
    EXPECT_NE(result.out.find("nothing chosen: no device in the list\n"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("address:"), std::string::npos) << result.out;
}

TEST_F(RealDisplayTest, ChooserClickOnADeviceThenReturnChoosesIt) {
    auto chooser = open({"chooser"});
    ASSERT_TRUE(chooser->waitForOutput("screenshot:", 60s));
    const ChooserLayout layout(focus("Chooser"));
    // The second line of the list (the items are one font line, 13 pixels, high).
    display.click(layout.list.x + 30, layout.list.y + 2 + 13 + 6);
    display.key("Return");
    const ProcessResult result = chooser->finish(30s);
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.out.find("chosen: Laser 2:LaserWriter@Engineering\n"), std::string::npos) << result.out;
}

// Each list is painted when it opens (the items on the list's white, not a black square), and
// choosing in it starts the look-up of the new type or zone.
TEST_F(RealDisplayTest, ChooserDropDownListsArePaintedAndChooseTheTypeAndTheZone) {
    auto chooser = open({"chooser"});
    ASSERT_TRUE(chooser->waitForOutput("screenshot:", 60s));
    const ChooserLayout layout(focus("Chooser"));
    const auto painted = [](const ScreenRect& area) {
        return [area](const Screenshot& s) { return s.blackShare(area) < 0.5 && s.colourCount(area) >= 2; };
    };

    // The type list: its first entry (AFPServer, the types sort by name).
    display.click(layout.typeBox.x + layout.typeBox.width - 8, layout.typeBox.y + layout.typeBox.height / 2);
    const ScreenRect types = ChooserLayout::dropped(layout.typeBox);
    Screenshot shot = screenWhen(painted(types));
    EXPECT_LT(shot.blackShare(types), 0.5) << "the type list is painted";
    display.click(types.x + 40, types.y + 8);
    ASSERT_TRUE(chooser->waitForOutput("looked up AFPServer in Engineering:", 60s))
        << "a look-up after the type list closed";

    // The zone list, from the keyboard once open: the zone after Engineering is Finance.
    display.click(layout.zoneBox.x + layout.zoneBox.width - 8, layout.zoneBox.y + layout.zoneBox.height / 2);
    const ScreenRect zones = ChooserLayout::dropped(layout.zoneBox);
    shot = screenWhen(painted(zones));
    EXPECT_LT(shot.blackShare(zones), 0.5) << "the zone list is painted";
    display.key("Down");
    display.key("Return");
    // Waited for by what it found, not by how many look-ups ran: Return chooses from a list
    // that is there.
    ASSERT_TRUE(chooser->waitForOutput("looked up AFPServer in Finance: Finance Server\n", 60s))
        << "a look-up after the zone list closed";

    display.key("Return");
    // The simulated server answers no AppleShare call, which ends the run after the choice.
    const ProcessResult result = chooser->finish(90s);
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_NE(result.out.find("chosen: Finance Server:AFPServer@Finance\n"), std::string::npos) << result.out;
}

// The look-up a closing list starts disables the box that has the focus; afterwards the box
// has it again, so Tab goes on to the zone box (not to the type box from nowhere).
TEST_F(RealDisplayTest, ChooserFocusReturnsToTheBoxAfterItsLookup) {
    auto chooser = open({"chooser"});
    ASSERT_TRUE(chooser->waitForOutput("screenshot:", 60s));
    const ChooserLayout layout(focus("Chooser"));
    display.click(layout.typeBox.x + layout.typeBox.width - 8, layout.typeBox.y + layout.typeBox.height / 2);
    const ScreenRect types = ChooserLayout::dropped(layout.typeBox);
    screenWhen([&](const Screenshot& shot) { return shot.blackShare(types) < 0.5 && shot.colourCount(types) >= 2; });
    display.key("Return"); // the list opened on LaserWriter; choosing it closes the list
    ASSERT_TRUE(chooser->waitForOutput("looked up LaserWriter in Engineering:", 60s));
    display.key("Tab");
    display.key("F4"); // opens the zone list: the zone after Engineering is Finance
    display.key("Down");
    display.key("Return");
    EXPECT_TRUE(chooser->waitForOutput("looked up LaserWriter in Finance:", 60s)) << "Tab went to the zone box";
    display.key("Escape");
    const ProcessResult result = chooser->finish(30s);
    EXPECT_EQ(result.exitCode, 2) << result.err;
}

TEST_F(RealDisplayTest, StatusWindowCancelClosesItAndIsFramedAsTheDefault) {
    auto chosen =
        VidurProcess::run({"chooser", "--offscreen", "--screenshot", (folder / "c.png").string()}, environment(), 90s);
    ASSERT_EQ(chosen.exitCode, 1) << chosen.err;
    auto status = open({"status"});
    ASSERT_TRUE(status->waitForOutput("screenshot:", 60s)) << "the printer did not answer";
    const ScreenRect window = focus("Printer status");
    const ScreenRect cancel{window.x + Px(240), window.y + Py(80), Px(40), Py(15)};
    const Screenshot shot = screenWhen([&](const Screenshot& s) { return HasDefaultFrame(s, cancel); });
    EXPECT_TRUE(HasDefaultFrame(shot, cancel)) << "Cancel is the status window's default button";
    display.click(cancel.x + cancel.width / 2, cancel.y + cancel.height / 2);
    const ProcessResult result = status->finish(30s);
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

TEST_F(RealDisplayTest, NetworkSheetTabsShowTheirPagesAndEscapeCloses) {
    auto sheet = open({"netinfo"});
    ASSERT_TRUE(sheet->waitForOutput("screenshot:", 60s));
    const ScreenRect window = focus("AppleTalk Network Information");
    const ScreenRect page{window.x + 10, window.y + 30, window.width - 20, window.height - 80};
    const Screenshot general = display.screenshot();
    // The second tab, right of the first one ("General").
    display.click(window.x + 75, window.y + 15);
    const Screenshot statistics = screenWhen([&](const Screenshot& s) { return s.differences(general, page) > 50; });
    EXPECT_GT(statistics.differences(general, page), 50) << "the Statistics page replaced the General page";
    display.key("Escape");
    const ProcessResult result = sheet->finish(30s);
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

// Tab goes from the tabs into the page (the Statistics page's Clear), then to the sheet's OK
// and Cancel. A focused push button takes the dark frame from OK, so the frame shows where
// the focus is.
TEST_F(RealDisplayTest, NetworkSheetTabGoesFromTheTabsIntoThePageFirst) {
    auto sheet = open({"netinfo"});
    ASSERT_TRUE(sheet->waitForOutput("screenshot:", 60s));
    const ScreenRect window = focus("AppleTalk Network Information");
    const ScreenRect ok{window.x + window.width - Px(7) - 3 * Px(50) - 2 * Px(4),
                        window.y + window.height - Py(7) - Py(14), Px(50), Py(14)};
    const ScreenRect cancel{ok.x + Px(50) + Px(4), ok.y, ok.width, ok.height};
    ASSERT_TRUE(HasDefaultFrame(screenWhen([&](const Screenshot& s) { return HasDefaultFrame(s, ok); }), ok));
    display.click(window.x + 75, window.y + 15); // the Statistics tab; the tabs keep the focus
    display.key("Tab");
    EXPECT_FALSE(HasDefaultFrame(screenWhen([&](const Screenshot& s) { return !HasDefaultFrame(s, ok); }), ok))
        << "the focus went into the page, to Clear";
    display.key("Tab");
    display.key("Tab");
    EXPECT_TRUE(HasDefaultFrame(screenWhen([&](const Screenshot& s) { return HasDefaultFrame(s, cancel); }), cancel))
        << "then to OK and Cancel";
    display.key("Escape");
    const ProcessResult result = sheet->finish(30s);
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

// A chosen AppleShare server, from the keyboard: the real `vidur share` on a private LToUDP
// loopback network, its connect window, its volume list (Space, Enter), and the volume
// mounted in the folder asked for, its file read through the mount.
class AppleShareChooserTest : public RealDisplayTest {
protected:
    // Runs the share and the Chooser; `logIn` plays the user in the connect window.
    void mountThroughTheChooser(std::vector<std::string> shareArguments, const std::function<void()>& logIn) {
        const std::filesystem::path volume = folder / "volume", mounts = folder / "mounts";
        std::filesystem::create_directories(volume);
        std::ofstream(volume / "Read Me") << "hello";
        const VidurProcess::Environment network{{"VIDUR_NETWORK", "ltoudp:127.0.0.1"},
                                                {"VIDUR_LTOUDP_TTL", "0"},
                                                {"VIDUR_LTOUDP_PORT", std::to_string(20000 + (::getpid() + 7) % 20000)},
                                                {"VIDUR_NODE_SOCKET", "none"},
                                                {"XDG_STATE_HOME", (folder / "state").string()}};
        shareArguments.insert(shareArguments.begin(), {"share", "Test=" + volume.string(), "--name", "Desk Share",
                                                       "--network", "ltoudp:127.0.0.1"});
        std::string skipped;
        const auto share =
            testing::startShare(shareArguments, environment(network), "sharing Test as Desk Share:AFPServer@", skipped);
        if (!skipped.empty()) GTEST_SKIP() << skipped;
        if (!share) return;
        // Unmounted before the fixture removes the folder, whatever the test's end, and while the
        // share still answers the mount's goodbye: its process ends before the test does.
        struct Unmount {
            std::filesystem::path folder;
            ~Unmount() {
                VidurProcess::runProgram("/bin/sh", {"-c", "fusermount3 -u -q \"$0\" || true", folder.string()}, {},
                                         30s);
                for (auto end = std::chrono::steady_clock::now() + 60s;
                     MountRunning(folder) && std::chrono::steady_clock::now() < end;)
                    std::this_thread::sleep_for(100ms);
            }
            // A process whose command line names the folder: the mount in the background.
            static bool MountRunning(const std::filesystem::path& folder) {
                std::error_code error;
                for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
                    std::ifstream in(entry.path() / "cmdline", std::ios::binary);
                    const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
                    if (line.find("mount") != std::string::npos && line.find(folder.string()) != std::string::npos)
                        return true;
                }
                return false;
            }
        } unmount{mounts / "Test"};

        VidurProcess chooser({"chooser", "--flags", "2", "--mount-dir", mounts.string(), "--screenshot",
                              (folder / "window.png").string()},
                             environment(network));
        ASSERT_TRUE(chooser.waitForOutput("screenshot:", 60s)) << "the look-up did not end";
        focus("Chooser");
        display.key("Return");
        ASSERT_TRUE(chooser.waitForOutput("window-connect.png", 60s)) << "no connect window";
        focus("Connect");
        logIn();
        ASSERT_TRUE(chooser.waitForOutput("window-volumes.png", 60s)) << "no volume list";
        focus("Volumes");
        display.key("space");
        display.key("Return");
        const ProcessResult result = chooser.finish(90s);
        EXPECT_NE(result.out.find("chosen: Desk Share:AFPServer@"), std::string::npos) << result.out;
        const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
        if (fuse < 0)
            GTEST_SKIP() << "the windows went through; /dev/fuse cannot be opened here, so no mount: " << result.err;
        ::close(fuse);
        EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
        EXPECT_NE(result.out.find("mounted Test on " + (mounts / "Test").string() + "\n"), std::string::npos)
            << result.out;
        std::ifstream readMe(mounts / "Test" / "Read Me");
        std::string text;
        std::getline(readMe, text);
        EXPECT_EQ(text, "hello") << "the share's file through the mount";
    }
};

// A server that takes guests: Guest is chosen and OK has the keyboard.
TEST_F(AppleShareChooserTest, GuestMountsAVolume) {
    mountThroughTheChooser({}, [&] { display.key("Return"); });
}

// A server of named users only: Registered User is chosen, the name field has the keyboard,
// and the password reaches the mount through its pipe.
TEST_F(AppleShareChooserTest, RegisteredUserMountsAVolume) {
    const std::string users = (folder / "share.users").string();
    const ProcessResult set = VidurProcess::runProgram(
        "/bin/sh", {"-c", "echo 's3cret' | \"$0\" passwd --file \"$1\" ann", VIDUR_BINARY, users}, {}, 30s);
    ASSERT_EQ(set.exitCode, 0) << set.err;
    mountThroughTheChooser({"--users", users}, [&] {
        display.xdotool({"type", "--delay", "0", "ann"});
        display.key("Tab");
        display.xdotool({"type", "--delay", "0", "s3cret"});
        display.key("Return");
    });
}

// A bare server (xvfb-run's) resets when its last client leaves, and drops the connections
// that arrive meanwhile; this one ends instead, so the fault is certain, not a race. The
// command, started as the server's first client, must not leave it before Qt has connected.
class BareDisplayTest : public RealDisplayTest {
protected:
    BareDisplayTest() : RealDisplayTest(RealDisplay::LastClient::EndsServer) {}
};

TEST_F(BareDisplayTest, AWindowCommandStartedAsTheOnlyClientOpensItsWindow) {
    auto sheet = open({"netinfo"});
    if (!sheet->waitForOutput("screenshot:", 60s)) {
        const ProcessResult ended = sheet->finish(30s);
        FAIL() << "the sheet never showed; exit " << ended.exitCode << ": " << ended.err;
    }
    focus("AppleTalk Network Information");
    display.key("Escape");
    const ProcessResult result = sheet->finish(30s);
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

} // namespace
} // namespace vidur::cli
