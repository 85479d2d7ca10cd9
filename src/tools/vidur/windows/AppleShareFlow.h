// SPDX-License-Identifier: MIT
// What follows the Chooser when the chosen device is an AppleShare server, as on a Mac: the
// connect window (log in as a guest or a registered user), the volume list, and a mount of
// each checked volume under ~/AppleShare/VOLUME (or --mount-dir DIR/VOLUME) by `vidur mount`.
// Offscreen the user's part is played: the guest login when offered, every volume checked,
// OK; a PNG of each window beside the Chooser's when one is asked for.
#pragma once

#include <optional>
#include <string>

#include "tools/vidur/cli/CommandIo.h"
#include "tools/vidur/cli/ParsedArguments.h"

class CWnd;

namespace vidur::cli {

class WindowEnvironment;

class AppleShareFlow {
public:
    // `screenshot`: the Chooser's picture, which the windows' pictures are named after.
    AppleShareFlow(WindowEnvironment& environment, const ParsedArguments& arguments, CommandIo& io,
                   std::optional<std::string> screenshot)
        : environment_(environment), arguments_(arguments), io_(io), screenshot_(std::move(screenshot)) {}

    // For the server NAME in ZONE (UTF-8). Answers the exit status: kMounted when every checked
    // volume is mounted, kCancelled when a window was cancelled or the server could not be
    // reached or refused, kSomeNotMounted when a checked volume could not be mounted.
    int run(const std::string& name, const std::string& zone);

    static constexpr int kMounted = 1;
    static constexpr int kCancelled = 2;
    static constexpr int kSomeNotMounted = 3;

private:
    // From inside the window's modal loop: its picture, then (offscreen) the user's part.
    void Watch(CWnd& window, const char* suffix, bool offscreenOk);
    std::optional<std::string> screenshotFor(const char* suffix) const;
    int fail(const std::string& reason);

    WindowEnvironment& environment_;
    const ParsedArguments& arguments_;
    CommandIo& io_;
    std::optional<std::string> screenshot_;
};

} // namespace vidur::cli
