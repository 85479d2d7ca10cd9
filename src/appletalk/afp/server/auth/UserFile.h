// SPDX-License-Identifier: MIT
// The server's own password file: one user a line, `NAME:PASSWORD` in UTF-8 with `%XX`
// escapes (docs/appleshare-on-disk.md). The passwords are kept recoverable, as the random-
// number and Diffie-Hellman UAMs need them in clear, so the file's mode is its protection:
// it is written 0600 and not read when the group or others may read it.
#pragma once

#include "appletalk/afp/server/auth/Secret.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace appletalk::afp {

inline constexpr const char* kDefaultUsersFile = "/etc/vidur20/share.users";

class UserFile {
public:
    // Every UAM the server offers must work with every user, and the random-number ones carry
    // 8 bytes of password (DHCAST128 would take 64).
    static constexpr std::size_t kMaxPasswordBytes = 8;
    static constexpr std::size_t kMaxUserBytes = 31;

    // Nothing and a line saying why when the file cannot be read, is open to the group or
    // others, or has a malformed line (named by its number).
    static std::optional<UserFile> load(const std::filesystem::path& path, std::string& problem);
    // The password of `user` (Mac OS Roman; matched ignoring case as AFP names are).
    std::optional<std::string> password(std::string_view user) const;
    // The user's name as the file spells it.
    std::optional<std::string> userName(std::string_view user) const;
    bool empty() const;
    // Sets or replaces one user's password, writing the file atomically with mode 0600. The
    // name and password are Mac OS Roman.
    static bool store(const std::filesystem::path& path, std::string_view user, std::string_view password,
                      std::string& problem);

    UserFile(UserFile&&) = default;
    UserFile& operator=(UserFile&&) = default;
    ~UserFile();

private:
    struct Entry {
        std::string user;
        std::string password;
    };
    UserFile() = default;
    const Entry* find(std::string_view user) const;
    static std::optional<UserFile> parse(std::string_view text, std::string& problem);
    std::string render() const;

    std::vector<Entry> entries_;
};

} // namespace appletalk::afp
