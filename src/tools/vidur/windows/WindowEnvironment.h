// SPDX-License-Identifier: MIT
// What the window subcommands (chooser, status, netinfo) need around the library's entry
// points: the choice between a real display and offscreen (asked with --offscreen, or no
// DISPLAY / WAYLAND_DISPLAY), the application object under the name of the command's menu
// entry, the command's own title as the host's string 57344, message boxes on the terminal
// when offscreen, and waiting while the windows run. One lives for the length of a subcommand.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/resources/ResourceTypes.h"

#include "tools/vidur/cli/CommandIo.h"
#include "tools/vidur/cli/ParsedArguments.h"

class CWnd;

namespace vidur::cli {

class TerminalMessageBoxes;

// The command as the host of one kind of window.
struct WindowHost {
    // The menu entry's file name without ".desktop": the windows' class, which docks match.
    const char* desktopName;
    // The application's title (string 57344: the network sheet's caption), UTF-8.
    const char* title;
    const char* frenchTitle;
};

class WindowEnvironment {
public:
    // Must come before anything makes the application object.
    WindowEnvironment(bool offscreenAsked, CommandIo& io, const WindowHost& host);
    ~WindowEnvironment();
    WindowEnvironment(const WindowEnvironment&) = delete;
    WindowEnvironment& operator=(const WindowEnvironment&) = delete;

    bool offscreen() const { return offscreen_; }
    // False when no application object could be made (reported on io.err).
    bool ready() const { return ready_; }

    // Where the screenshot goes: --screenshot, else (offscreen) defaultName in the current
    // folder, else none.
    std::optional<std::string> screenshotPath(const ParsedArguments& arguments, const char* defaultName) const;
    // --timeout in milliseconds (default 30 s).
    static int timeoutMs(const ParsedArguments& arguments);

    // Runs the windows until done answers true or timeoutMs pass; answers done().
    static bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
    // A window's text (Mac OS Roman inside) in UTF-8; empty for none.
    static std::string TextOf(const CWnd* window);
    // Writes the PNG and says where on io.out; false (said on io.err) when it cannot.
    bool SaveScreenshot(CWnd& window, const std::string& path);
    // One line on io.out at once, for whoever follows the window from outside.
    void Say(const std::string& line);
    // Says on io.err, after `prefix`, when the recent devices' file (Halvora.INI) exists but
    // cannot be read: the windows then neither show nor keep them, and say nothing.
    void SayIfRecentListUnreadable(const std::string& prefix);

private:
    CommandIo& io_;
    std::array<StringResource, 2> hostStrings_;
    ResourceModule hostModule_;
    bool offscreen_ = false;
    bool ready_ = false;
    std::unique_ptr<TerminalMessageBoxes> boxes_;
};

} // namespace vidur::cli
