// SPDX-License-Identifier: MIT
// Where private profile files live and how they are changed on disk.
//
// A bare file name ("Halvora.INI") lives in $VIDUR_PROFILE_DIR, else $XDG_CONFIG_HOME/vidur20,
// else ~/.config/vidur20; a name with a '/' is used as given. A file of that name in another
// letter case is found too, as it would be on Windows.
//
// Every change happens under an exclusive lock (flock on a sibling ".<name>.lock" file, the
// name in small letters so that every spelling shares it): the file is read again under the
// lock, changed, written to a temporary file in the same
// folder, flushed to disk and renamed over the old one. Two processes changing different
// keys both keep theirs, and a crash leaves either the old or the new file, never half; the
// temporary files of writers that died are removed by the next write. A lock held longer
// than the lock wait (a stopped or hung holder) fails the write instead of waiting for ever.
#pragma once

#include "text/ProfileFile.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vidur::text {

class ProfileStorage {
public:
    // The file's path, or nothing when no folder can be determined.
    static std::optional<std::filesystem::path> resolvePath(std::string_view fileName);

    // What reading a file found. A file that exists but cannot be read (a folder of that
    // name, no permission, an I/O error) is Unreadable, with the system's reason.
    struct Reading {
        enum class State { Read, Missing, Unreadable };
        State state = State::Missing;
        std::string problem; // Unreadable: why, as the system says it
        ProfileFile contents = ProfileFile::parse({});
    };
    static Reading readFile(const std::filesystem::path& path);

    // The file as it is now; an empty profile when it does not exist or cannot be read.
    static ProfileFile read(const std::filesystem::path& path);

    // Applies edit to the current contents under the lock and replaces the file when edit
    // reports a change. False when the file could not be written or the lock not taken in
    // time (it is then unchanged). With anySpelling (a bare name) the file is looked for
    // again under the lock in any letter case, so a writer never creates a second spelling.
    // afterWrite runs still under the lock once the file is on disk (replaced, or left as it
    // was when unchanged): what must follow the file, in the order the lock gives.
    static bool update(const std::filesystem::path& path, const std::function<bool(ProfileFile&)>& edit,
                       bool anySpelling = false, const std::function<void()>& afterWrite = {});

    // How long a write waits for the lock; 2 s unless changed (tests shorten it).
    static void setLockWait(std::chrono::milliseconds wait);

    // One value of the file named as resolvePath takes it; nothing when the file, section
    // or key is missing.
    static std::optional<std::string> getValue(std::string_view fileName, std::string_view section,
                                               std::string_view key);
    // Sets one value, creating the file and the section when missing. False, changing
    // nothing, when the file cannot be written or a name or value would break its structure.
    static bool setValue(std::string_view fileName, std::string_view section, std::string_view key,
                         std::string_view value);

    // For tests: called with the temporary file's path just before the rename; returning
    // false abandons the write as a crash at that moment would. Pass an empty function to
    // remove the hook.
    static void setBeforeRenameHook(std::function<bool(const std::filesystem::path&)> hook);
};

} // namespace vidur::text
