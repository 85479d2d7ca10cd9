// SPDX-License-Identifier: MIT
// Mounts the volumes the user checked, each through `vidur mount` run from the running
// executable (`vidur mount --volume=VOLUME [--user=USER --password-file=/dev/fd/N] --
// NAME@ZONE DIR`), the password given through a pipe, never on the command line. The command
// goes to the background itself once the volume is mounted, so its exit tells the outcome.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "appletalk/afp/client/AfpClientSession.h"

namespace vidur::cli {

class VolumeMounter {
public:
    // `server` is NAME@ZONE (UTF-8); `base` the folder the volumes' folders are made in.
    VolumeMounter(std::string server, std::filesystem::path base, const appletalk::afp::AfpLoginRequest& login)
        : server_(std::move(server)), base_(std::move(base)), login_(login) {}

    // The folder for a volume: its name under the base, a '/' in it shown as ':' (as the mount
    // shows a Mac name); nothing for a name that would not be a folder of its own there.
    std::optional<std::filesystem::path> folderFor(const std::string& volume) const;
    // Mounts the volume on `folder` (made when missing); false with the reason.
    bool mount(const std::string& volume, const std::filesystem::path& folder, std::string& problem) const;

    // ~/AppleShare, or nothing without a home.
    static std::optional<std::filesystem::path> defaultBase();

private:
    std::string server_;
    std::filesystem::path base_;
    const appletalk::afp::AfpLoginRequest& login_;
};

} // namespace vidur::cli
