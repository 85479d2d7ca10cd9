// SPDX-License-Identifier: MIT
// The files "AppleTalk.INI" is read from, in order: the user's own (in the profile folder)
// and the system's (VIDUR_SYSTEM_SETTINGS_DIR, /etc/vidur20 unless the build says
// otherwise). A key missing from one file is taken from the next, so an administrator's
// system file sets the network for everyone and a user's file may change any key of it.
//
// Each file is read once, and remembers whether it was there and readable, so a caller can
// say what is wrong with it rather than run on defaults.
#pragma once

#include "text/ProfileFile.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace appletalk::runtime {

class SettingsFiles {
public:
    struct File {
        enum class State { Read, Missing, Unreadable };
        std::filesystem::path path;
        State state = State::Missing;
        std::string problem; // Unreadable: why, as the system says it
        vidur::text::ProfileFile contents;

        // Unreadable: "PATH cannot be read by user NAME (WHY)", the user named because a
        // program CUPS starts runs as another one than whoever wrote the file.
        std::string unreadableText() const;
    };

    // The user's file, then the system file.
    static SettingsFiles standard();
    // The system file alone: what a program started by CUPS or systemd reads.
    static SettingsFiles systemOnly();
    // $VIDUR_SYSTEM_SETTINGS_DIR/AppleTalk.INI, else the build's folder.
    static std::filesystem::path systemFile();

    explicit SettingsFiles(const std::vector<std::filesystem::path>& paths);

    // From the first file that has the key; nothing when none has it.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // The same with the file it came from, so a message can name it.
    struct Found {
        std::string value;
        std::filesystem::path file;
    };
    std::optional<Found> find(std::string_view section, std::string_view key) const;
    // The first file that exists but cannot be read; null when every one can or is missing.
    const File* firstUnreadable() const;
    const std::vector<File>& files() const { return files_; }

    static File read(const std::filesystem::path& path);

private:
    std::vector<File> files_;
};

} // namespace appletalk::runtime
