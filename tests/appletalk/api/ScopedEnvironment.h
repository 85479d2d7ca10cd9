// Environment variables and a private profile folder for one test, restored afterwards, so
// no test reads or writes the user's own "AppleTalk.INI".
#pragma once

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <unistd.h>

namespace appletalk::api::testing {

class ScopedEnvironment {
public:
    ScopedEnvironment() {
        char pattern[] = "/tmp/tarvlib-test-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        profileDir_ = made != nullptr ? made : "/tmp";
        set("VIDUR_PROFILE_DIR", profileDir_.string());
        unset("VIDUR_NETWORK");
        unset("VIDUR_LTOUDP_TTL");
        unset("VIDUR_LTOUDP_PORT");
        unset("VIDUR_DEBUG");
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value) ::setenv(name.c_str(), value->c_str(), 1);
            else ::unsetenv(name.c_str());
        }
        std::error_code ignored;
        std::filesystem::remove_all(profileDir_, ignored);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void set(const std::string& name, const std::string& value) {
        remember(name);
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    void unset(const std::string& name) {
        remember(name);
        ::unsetenv(name.c_str());
    }
    const std::filesystem::path& profileDir() const { return profileDir_; }
    std::filesystem::path profileFile() const { return profileDir_ / "AppleTalk.INI"; }

private:
    void remember(const std::string& name) {
        if (saved_.count(name) != 0) return;
        const char* value = std::getenv(name.c_str());
        saved_[name] = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    }

    std::filesystem::path profileDir_;
    std::map<std::string, std::optional<std::string>> saved_;
};

} // namespace appletalk::api::testing
