// SPDX-License-Identifier: MIT
#include "appletalk/runtime/SettingsFiles.h"

#include "appletalk/runtime/StackSettings.h"
#include "text/ProfileStorage.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#ifndef VIDUR_SYSTEM_SETTINGS_DIR
#define VIDUR_SYSTEM_SETTINGS_DIR "/etc/vidur20"
#endif

namespace appletalk::runtime {

SettingsFiles SettingsFiles::standard() {
    std::vector<std::filesystem::path> paths;
    if (auto own = vidur::text::ProfileStorage::resolvePath(StackSettings::kProfileFile)) paths.push_back(*own);
    paths.push_back(systemFile());
    return SettingsFiles(paths);
}

SettingsFiles SettingsFiles::systemOnly() { return SettingsFiles({systemFile()}); }

std::filesystem::path SettingsFiles::systemFile() {
    // Tests point this at a folder of their own, so the machine's settings never reach them.
    const char* folder = std::getenv("VIDUR_SYSTEM_SETTINGS_DIR");
    return std::filesystem::path(folder != nullptr && *folder != '\0' ? folder : VIDUR_SYSTEM_SETTINGS_DIR) /
           StackSettings::kProfileFile;
}

SettingsFiles::SettingsFiles(const std::vector<std::filesystem::path>& paths) {
    for (const auto& path : paths) {
        // The user's file may be the system file itself (VIDUR_PROFILE_DIR=/etc/vidur20).
        bool seen = false;
        for (const File& file : files_) seen = seen || file.path == path;
        if (!seen) files_.push_back(read(path));
    }
}

std::optional<std::string> SettingsFiles::value(std::string_view section, std::string_view key) const {
    for (const File& file : files_) {
        if (file.state != File::State::Read) continue;
        if (auto found = file.contents.getValue(section, key)) return found;
    }
    return std::nullopt;
}

SettingsFiles::File SettingsFiles::read(const std::filesystem::path& path) {
    File file{path, File::State::Missing, {}, vidur::text::ProfileFile::parse({})};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT && errno != ENOTDIR) {
            file.state = File::State::Unreadable;
            file.problem = std::strerror(errno);
        }
        return file;
    }
    std::string text;
    char buffer[4096];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            file.state = File::State::Unreadable;
            file.problem = std::strerror(errno); // a folder of that name, an I/O error
            ::close(fd);
            return file;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    file.state = File::State::Read;
    file.contents = vidur::text::ProfileFile::parse(text);
    return file;
}

} // namespace appletalk::runtime
