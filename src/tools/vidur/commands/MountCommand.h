// SPDX-License-Identifier: MIT
// vidur mount SERVER DIR [--volume VOLUME] [--user USER] [--password-file FILE] [--read-only]
// [--allow-cleartext] [--timeout SECONDS] [--foreground]: an AppleShare volume as the folder
// DIR through FUSE 3. SERVER is taken as `vidur volumes` takes it. The password and DIR are
// settled in the foreground; then, unless --foreground, a child in a session of its own
// connects, logs in, opens the volume and mounts it, tells this process "mounted" or why
// not, and serves the mount until it is unmounted.
#pragma once

#include "tools/vidur/cli/Command.h"

namespace vidur::cli {

class MountCommand final : public Command {
public:
    std::string name() const override { return "mount"; }
    std::string summary() const override { return "mount an AppleShare volume on a folder"; }
    std::string synopsis() const override {
        return "SERVER DIR [--volume VOLUME] [--user USER] [--password-file FILE] [--read-only] [--allow-cleartext] "
               "[--timeout SECONDS] [--foreground]";
    }
    std::string details() const override;
    std::vector<OptionSpec> options() const override;
    std::size_t minPositionals() const override { return 2; }
    std::size_t maxPositionals() const override { return 2; }
    // As `vidur volumes`: the settings matter only for a server on AppleTalk.
    bool readsLibrarySettings() const override { return false; }
    int run(const ParsedArguments& arguments, CommandIo& io) override;
};

} // namespace vidur::cli
