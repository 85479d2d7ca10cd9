// SPDX-License-Identifier: MIT
// The windows at home on a desktop, on a real X server (Xvfb, no window manager): the
// classic look on a display at two device pixels per pixel, the class and icon docks read,
// the keyboard where focus matters, and a display that does not answer.
#include "RealDisplayFixture.h"
#include "VidurProcess.h"
#include "XProperties.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

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
using testing::WindowIcon;
using namespace std::chrono_literals;

// The StartupWMClass of one of the menu entries in packaging/desktop.
std::string StartupClassOf(const std::string& entry) {
    std::ifstream file(std::string(VIDUR_SOURCE_DIR) + "/packaging/desktop/" + entry + ".desktop");
    for (std::string line; std::getline(file, line);)
        if (line.rfind("StartupWMClass=", 0) == 0) return line.substr(15);
    return {};
}

class DesktopTest : public RealDisplayFixture {
protected:
    // A window command on the display, up once it prints "screenshot:".
    std::unique_ptr<VidurProcess> open(const std::string& command, VidurProcess::Environment more = {}) {
        auto process = std::make_unique<VidurProcess>(
            std::vector<std::string>{command, "--screenshot", (folder / "window.png").string()},
            environment(std::move(more)));
        EXPECT_TRUE(process->waitForOutput("screenshot:", 60s)) << command << " did not come up";
        return process;
    }
    // Finds the window and gives it the keyboard (no window manager does).
    unsigned long focus(const std::string& title) {
        const unsigned long window = display.findWindow(title);
        EXPECT_NE(window, 0UL) << "no window \"" << title << "\" on " << display.name();
        display.xdotool({"windowfocus", "--sync", std::to_string(window)});
        return window;
    }
    // The Chooser once the default button's frame shows along the top of OK (a pixel thick,
    // `scale` device pixels): its look-up is over and it has the keyboard.
    Screenshot chooserScreen(const ScreenRect& window, int scale) const {
        const int x = window.x + (Px(129) + Px(25)) * scale, y = window.y + Py(120) * scale;
        return screenWhen([&](const Screenshot& s) {
            for (int row = 0; row < scale; ++row)
                if (s.at(x, y + row) == 0) return true;
            return false;
        });
    }
};

bool Dark(std::uint32_t rgb) { return ((rgb >> 16 & 0xFF) * 30 + (rgb >> 8 & 0xFF) * 59 + (rgb & 0xFF) * 11) < 12800; }

// How text drawn at scale 1 (rect) compares with the same text at scale 2 (the rect doubled).
struct DoubledText {
    int ink = 0; // dark pixels at scale 1
    int scaledInk = 0; // dark pixels at scale 2
    int mismatches = 0; // pixels at scale 2 unlike their pixel at scale 1
};

DoubledText Compare(const Screenshot& one, const ScreenRect& rect, const Screenshot& two, int x2, int y2) {
    DoubledText result;
    for (int y = 0; y < rect.height; ++y)
        for (int x = 0; x < rect.width; ++x) {
            const bool dark = Dark(one.at(rect.x + x, rect.y + y));
            result.ink += dark ? 1 : 0;
            for (int k = 0; k < 4; ++k) {
                const bool scaled = Dark(two.at(x2 + 2 * x + k % 2, y2 + 2 * y + k / 2));
                result.scaledInk += scaled ? 1 : 0;
                result.mismatches += scaled != dark ? 1 : 0;
            }
        }
    return result;
}

// The pixels of the band `band` pixels wide just inside `rect` (scale 1) whose colour is not
// that of each of their four at scale 2 (the rect doubled, from x2, y2).
int BandMismatches(const Screenshot& one, const ScreenRect& rect, const Screenshot& two, int x2, int y2, int band) {
    int mismatches = 0;
    for (int y = 0; y < rect.height; ++y)
        for (int x = 0; x < rect.width; ++x) {
            if (x >= band && x < rect.width - band && y >= band && y < rect.height - band) continue;
            const std::uint32_t colour = one.at(rect.x + x, rect.y + y);
            for (int k = 0; k < 4; ++k) mismatches += two.at(x2 + 2 * x + k % 2, y2 + 2 * y + k / 2) != colour ? 1 : 0;
        }
    return mismatches;
}

// A bitmap font keeps its glyphs at their own size while the layout doubles ("L a s e r");
// the classic look draws the unscaled text, each pixel a 2 x 2 square. Qt may place a line a
// device pixel finer than the unscaled one could, hence the small allowance. The bevels of
// the buttons and the boxes, and the default button's dark frame, double exactly.
TEST_F(DesktopTest, ClassicLookAtScaleTwoShowsTheUnscaledTextDoubled) {
    auto chooser = open("chooser");
    const ScreenRect window = display.geometry(focus("Chooser"));
    const Screenshot one = chooserScreen(window, 1);
    display.key("Escape");
    chooser->finish(30s);
    // The three labels, and the list's two devices (the first selected).
    const ScreenRect texts[] = {{Px(5), Py(10), Px(52), Py(8)},
                                {Px(5), Py(50), Px(54), Py(8)},
                                {Px(125), Py(10), Px(125), Py(8)},
                                {Px(125) + 2, Py(20) + 2, Px(125) - 4, 26}};
    // OK with the default frame and its bevel, Cancel's bevel, and the two boxes' sunken
    // frames with their arrow buttons (the right-hand 20 pixels, the whole button).
    const std::pair<ScreenRect, int> frames[] = {{{Px(129), Py(120), Px(50), Py(14)}, 3},
                                                 {{Px(196), Py(120), Px(50), Py(14)}, 2},
                                                 {{Px(5), Py(20), Px(112), 42}, 2},
                                                 {{Px(5), Py(60), Px(112), 21}, 2},
                                                 {{Px(5) + Px(112) - 20, Py(60), 20, 21}, 10}};

    struct Scale {
        const char* name;
        VidurProcess::Environment environment;
        const char* resources; // on the root window, as a desktop's settings put them
    };
    const Scale scales[] = {{"QT_SCALE_FACTOR=2", {{"QT_SCALE_FACTOR", "2"}}, ""},
                            {"Xft.dpi: 192", {}, "Xft.dpi:\t192\n"}};
    for (const Scale& scale : scales) {
        SCOPED_TRACE(scale.name);
        ASSERT_TRUE(testing::setResources(display.name(), scale.resources));
        auto scaled = open("chooser", scale.environment);
        const ScreenRect big = display.geometry(focus("Chooser"));
        EXPECT_EQ(big.width, 2 * window.width);
        EXPECT_EQ(big.height, 2 * window.height);
        const Screenshot two = chooserScreen(big, 2);
        for (const ScreenRect& text : texts) {
            const ScreenRect at{window.x + text.x, window.y + text.y, text.width, text.height};
            const DoubledText seen = Compare(one, at, two, big.x + 2 * text.x, big.y + 2 * text.y);
            ASSERT_GT(seen.ink, 20) << "text at " << text.x << "," << text.y;
            EXPECT_NEAR(seen.scaledInk, 4 * seen.ink, seen.ink / 2) << "text at " << text.x << "," << text.y;
            EXPECT_LE(seen.mismatches, seen.ink / 10) << "text at " << text.x << "," << text.y;
        }
        for (const auto& [frame, band] : frames) {
            const ScreenRect at{window.x + frame.x, window.y + frame.y, frame.width, frame.height};
            EXPECT_EQ(BandMismatches(one, at, two, big.x + 2 * frame.x, big.y + 2 * frame.y, band), 0)
                << "frame at " << frame.x << "," << frame.y;
        }
        display.key("Escape");
        EXPECT_EQ(scaled->finish(30s).exitCode, 2);
    }
}

// Docks match a window to its menu entry by the class (StartupWMClass) and show the icon
// the window carries; every window has the library's pixel art, at its size and doubled.
TEST_F(DesktopTest, WindowsCarryTheClassOfTheirMenuEntryAndTheLibrarysIcon) {
    std::vector<std::vector<std::uint32_t>> seenIcons;
    const auto checkIcon = [&](unsigned long window) {
        std::vector<WindowIcon> icons = testing::windowIcons(display.name(), window);
        ASSERT_EQ(icons.size(), 2U);
        std::sort(icons.begin(), icons.end(),
                  [](const WindowIcon& a, const WindowIcon& b) { return a.width < b.width; });
        EXPECT_EQ(icons[0].width, 32);
        EXPECT_EQ(icons[1].width, 64);
        int opaque = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const std::uint32_t pixel = icons[0].argb[static_cast<std::size_t>(y * 32 + x)];
                opaque += (pixel >> 24) == 0xFF ? 1 : 0;
                EXPECT_EQ(icons[1].argb[static_cast<std::size_t>(2 * y * 64 + 2 * x + 65)], pixel) << x << "," << y;
            }
        EXPECT_GT(opaque, 100) << "a drawing, not an empty icon";
        seenIcons.push_back(icons[0].argb);
    };
    const std::pair<const char*, const char*> entries[] = {{"chooser", "Chooser"},
                                                           {"netinfo", "AppleTalk Network Information"}};
    for (const auto& [command, title] : entries) {
        SCOPED_TRACE(command);
        auto process = open(command);
        const unsigned long window = focus(title); // the sheet's title is the command's own
        const std::vector<std::string> names = testing::windowClass(display.name(), window);
        ASSERT_EQ(names.size(), 2U);
        EXPECT_EQ(names[1], StartupClassOf(std::string("vidur20-") + command));
        EXPECT_EQ(names[1], std::string("vidur20-") + command);
        checkIcon(window);
        display.key("Escape");
        process->finish(30s);
    }
    EXPECT_NE(seenIcons[0], seenIcons[1]) << "each window the icon of its own menu entry";

    // With no printer chosen the status window tells so first, in a message box of its own.
    VidurProcess status({"status"}, environment());
    const unsigned long box = focus("vidur");
    checkIcon(box);
    display.key("Return");
    checkIcon(focus("Printer status"));
    display.key("Escape");
    EXPECT_EQ(status.finish(30s).exitCode, 0);
}

// Win32's sheet turns its pages with Ctrl+Tab and Ctrl+Shift+Tab from any of its controls.
TEST_F(DesktopTest, NetworkSheetTurnsPagesWithCtrlTabFromAnyControl) {
    auto sheet = open("netinfo");
    const ScreenRect window = display.geometry(focus("AppleTalk Network Information"));
    const ScreenRect page{window.x + 12, window.y + 30, window.width - 24, window.height - 80};
    const Screenshot general = display.screenshot();
    display.key("Tab"); // from the tabs to OK
    display.key("ctrl+Tab");
    Screenshot shot = screenWhen([&](const Screenshot& s) { return s.differences(general, page) > 50; });
    EXPECT_GT(shot.differences(general, page), 50) << "the Statistics page came";
    display.key("ctrl+shift+Tab");
    shot = screenWhen([&](const Screenshot& s) { return s.differences(general, page) == 0; });
    EXPECT_EQ(shot.differences(general, page), 0) << "back on the General page";
    display.key("Escape");
    EXPECT_EQ(sheet->finish(30s).exitCode, 0);
}

// The caret item of the focused device list has Win32's dotted focus rectangle: along its
// top edge the colour changes every pixel or two. Without the focus the edge is plain.
TEST_F(DesktopTest, FocusedDeviceListFramesItsItemWithDots) {
    auto chooser = open("chooser");
    const ScreenRect window = display.geometry(focus("Chooser"));
    const ScreenRect secondItem{window.x + Px(125) + 2, window.y + Py(20) + 2 + 13, Px(125) - 4, 13};
    const auto changesAlongTop = [&](const Screenshot& s) {
        int changes = 0;
        for (int x = secondItem.x + 1; x < secondItem.x + secondItem.width - 1; ++x)
            changes += s.at(x, secondItem.y) != s.at(x - 1, secondItem.y) ? 1 : 0;
        return changes;
    };
    display.click(secondItem.x + 30, secondItem.y + 6);
    Screenshot shot = screenWhen([&](const Screenshot& s) { return changesAlongTop(s) > secondItem.width / 4; });
    EXPECT_GT(changesAlongTop(shot), secondItem.width / 4) << "dots along the focused item";
    display.key("Tab"); // the focus leaves the list
    shot = screenWhen([&](const Screenshot& s) { return changesAlongTop(s) == 0; });
    EXPECT_EQ(changesAlongTop(shot), 0);
    display.key("Escape");
    chooser->finish(30s);
}

// A DISPLAY left from an ended session: the help's exit status and a clear message, not
// Qt's abort.
TEST_F(DesktopTest, DisplayThatDoesNotAnswerIsAClearError) {
    std::string stale;
    {
        RealDisplay gone;
        ASSERT_TRUE(gone.running());
        stale = gone.name();
    }
    for (const auto& [command, status] : {std::pair{"chooser", 255}, {"netinfo", 2}, {"status", 2}}) {
        const ProcessResult result = VidurProcess::run({command}, environment({{"DISPLAY", stale}}), 60s);
        EXPECT_EQ(result.exitCode, status) << command << ": " << result.err;
        EXPECT_NE(result.err.find("cannot open windows here (the X display " + stale + " does not answer)"),
                  std::string::npos)
            << result.err;
    }
}

} // namespace
} // namespace vidur::cli
