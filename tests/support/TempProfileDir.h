// Gives one test its own empty profile folder through VIDUR_PROFILE_DIR, and removes it (and
// restores the variable) afterwards, so no test sees another's "Halvora.INI" or leaves one.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

class TempProfileDir {
public:
    TempProfileDir() {
        if (const char* old = std::getenv("VIDUR_PROFILE_DIR")) m_previous = old;
        std::string pattern = (std::filesystem::temp_directory_path() / "vidur-profile-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        m_path = pattern;
        ::setenv("VIDUR_PROFILE_DIR", m_path.c_str(), 1);
    }
    ~TempProfileDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
        if (m_previous) ::setenv("VIDUR_PROFILE_DIR", m_previous->c_str(), 1);
        else ::unsetenv("VIDUR_PROFILE_DIR");
    }
    TempProfileDir(const TempProfileDir&) = delete;
    TempProfileDir& operator=(const TempProfileDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }

    // The raw text of a file in the folder (UTF-8 as on disk), empty when it is missing.
    std::string fileText(const std::string& name) const {
        std::ifstream in(m_path / name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::filesystem::path m_path;
    std::optional<std::string> m_previous;
};
