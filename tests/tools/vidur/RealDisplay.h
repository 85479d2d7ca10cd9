// SPDX-License-Identifier: MIT
// A real X server for window tests: Xvfb on a free display number, started by the test and
// stopped with it; input sent through the server (XTest, with xdotool) as a user's keyboard
// and mouse would; what the server shows read back from the root window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vidur::cli::testing {

struct ScreenRect {
    int x = 0, y = 0, width = 0, height = 0;
};

// The root window's pixels, 0xRRGGBB.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    bool valid() const { return width > 0 && height > 0; }
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    // The share of the rectangle's pixels that are black (0 .. 1).
    double blackShare(const ScreenRect& rect) const;
    // How many distinct colours the rectangle holds.
    int colourCount(const ScreenRect& rect) const;
    // The number of pixels whose colour differs from the other screenshot's, in the rectangle.
    int differences(const Screenshot& other, const ScreenRect& rect) const;
};

class RealDisplay {
public:
    // What the server does when its last client leaves: carry on (-noreset), or end, where a
    // bare server resets (-terminate): a client that then comes finds no server, so a client
    // that leaves the server alone before it is done shows at once.
    enum class LastClient { KeepsServer, EndsServer };

    explicit RealDisplay(LastClient lastClient = LastClient::KeepsServer);
    ~RealDisplay();
    RealDisplay(const RealDisplay&) = delete;
    RealDisplay& operator=(const RealDisplay&) = delete;

    // Whether Xvfb started; when not, why (for the skip message).
    bool running() const { return pid_ > 0; }
    const std::string& failure() const { return failure_; }
    // ":N".
    const std::string& name() const { return name_; }

    // Runs xdotool with these arguments against this server; its standard output, or
    // nothing when it failed.
    std::string xdotool(const std::vector<std::string>& arguments) const;
    // The top-level window whose title is `title`, waiting for it to be mapped; 0 if none came.
    unsigned long findWindow(const std::string& title) const;
    // The window's place on the screen (no window manager: no frame round it).
    ScreenRect geometry(unsigned long window) const;
    // Input through the server: a key by its X name ("Return", "Escape"), a click.
    void key(const std::string& name) const;
    void click(int x, int y) const;
    Screenshot screenshot() const;

private:
    int pid_ = -1;
    std::string name_;
    std::string failure_;
};

} // namespace vidur::cli::testing
