// SPDX-License-Identifier: MIT
// Gives one test its own empty profile folder through VIDUR_PROFILE_DIR (and the system
// settings folder inside it through VIDUR_SYSTEM_SETTINGS_DIR) and removes it
// afterwards, so no test sees another's profile files or the user's own. Every environment
// variable changed through it (or named to remember) gets its old value back.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>

#include <unistd.h>

class TempProfileDir {
public:
    TempProfileDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vidur-profile-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
        set("VIDUR_PROFILE_DIR", path_.string());
        // The system's AppleTalk.INI too comes from here ("system", missing until a test
        // writes it), never from the machine.
        set("VIDUR_SYSTEM_SETTINGS_DIR", (path_ / "system").string());
    }
    ~TempProfileDir() {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
        // A test may have taken its own rights away to make writing fail.
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempProfileDir(const TempProfileDir&) = delete;
    TempProfileDir& operator=(const TempProfileDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // The raw text of a file in the folder (UTF-8 as on disk), empty when it is missing.
    std::string fileText(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    void set(const std::string& name, const std::string& value) {
        remember(name);
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    void unset(const std::string& name) {
        remember(name);
        ::unsetenv(name.c_str());
    }
    // Restores the variable afterwards, whatever the test does to it meanwhile.
    void remember(const std::string& name) {
        if (saved_.count(name) != 0) return;
        const char* value = std::getenv(name.c_str());
        saved_[name] = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    }

private:
    std::filesystem::path path_;
    std::map<std::string, std::optional<std::string>> saved_;
};
