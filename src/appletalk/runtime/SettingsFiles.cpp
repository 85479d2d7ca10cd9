// SPDX-License-Identifier: MIT
#include "appletalk/runtime/SettingsFiles.h"

#include "appletalk/runtime/StackSettings.h"
#include "text/ProfileStorage.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

#ifndef VIDUR_SYSTEM_SETTINGS_DIR
#define VIDUR_SYSTEM_SETTINGS_DIR "/etc/vidur20"
#endif

namespace appletalk::runtime {

namespace {

std::string userName() {
    if (const passwd* entry = ::getpwuid(::geteuid()); entry != nullptr && entry->pw_name != nullptr)
        return entry->pw_name;
    return "uid " + std::to_string(::geteuid());
}

} // namespace

std::string SettingsFiles::File::unreadableText() const {
    return path.string() + " cannot be read by user " + userName() + " (" + problem + ")";
}

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
    auto found = find(section, key);
    if (!found) return std::nullopt;
    return std::move(found->value);
}

std::optional<SettingsFiles::Found> SettingsFiles::find(std::string_view section, std::string_view key) const {
    for (const File& file : files_) {
        if (file.state != File::State::Read) continue;
        if (auto value = file.contents.getValue(section, key)) return Found{std::move(*value), file.path};
    }
    return std::nullopt;
}

const SettingsFiles::File* SettingsFiles::firstUnreadable() const {
    for (const File& file : files_)
        if (file.state == File::State::Unreadable) return &file;
    return nullptr;
}

SettingsFiles::File SettingsFiles::read(const std::filesystem::path& path) {
    using Reading = vidur::text::ProfileStorage::Reading;
    Reading reading = vidur::text::ProfileStorage::readFile(path);
    const File::State state = reading.state == Reading::State::Read      ? File::State::Read
                              : reading.state == Reading::State::Missing ? File::State::Missing
                                                                         : File::State::Unreadable;
    return {path, state, std::move(reading.problem), std::move(reading.contents)};
}

} // namespace appletalk::runtime
