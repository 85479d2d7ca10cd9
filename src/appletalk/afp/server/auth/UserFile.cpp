// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/auth/UserFile.h"

#include "text/MacRoman.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace appletalk::afp {

namespace {

constexpr std::size_t kMaxFileBytes = 1 << 20;

bool needsEscape(std::uint8_t byte) { return byte < 0x20 || byte == 0x7F || byte == '%' || byte == ':' || byte == '#'; }

std::string escapeField(std::string_view macRoman) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : macRoman) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (needsEscape(byte)) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += vidur::text::macRomanToUtf8(std::string_view(&c, 1));
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// UTF-8 with escapes to Mac OS Roman; nothing when a character has no Mac OS Roman byte or
// an escape is cut short.
std::optional<std::string> unescapeField(std::string_view utf8) {
    if (!vidur::text::isUtf8(utf8)) return std::nullopt;
    auto converted = vidur::text::utf8ToMacRoman(utf8);
    if (!converted.lossless) return std::nullopt;
    std::string out;
    const std::string& in = converted.macRoman;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            out += in[i];
            continue;
        }
        const int high = i + 2 < in.size() ? hexValue(in[i + 1]) : -1;
        const int low = i + 2 < in.size() ? hexValue(in[i + 2]) : -1;
        if (high < 0 || low < 0) {
            wipe(out);
            return std::nullopt;
        }
        out += static_cast<char>((high << 4) | low);
        i += 2;
    }
    wipe(converted.macRoman);
    return out;
}

std::optional<std::string> checkEntry(std::string_view user, std::string_view password) {
    if (user.empty() || user.size() > UserFile::kMaxUserBytes)
        return "the user name must have 1 to " + std::to_string(UserFile::kMaxUserBytes) + " bytes";
    if (password.empty()) return std::string("the password is empty");
    if (password.size() > UserFile::kMaxPasswordBytes)
        return "the password is longer than " + std::to_string(UserFile::kMaxPasswordBytes) +
               " bytes, what Randnum Exchange and 2-Way Randnum Exchange carry";
    return std::nullopt;
}

std::string describe(int error) { return std::strerror(error); }

// The whole file through one descriptor, so the mode checked is that of what is read.
std::optional<std::string> readFile(const std::filesystem::path& path, bool checkMode, std::string& reason) {
    std::string problem;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        reason = path.string() + ": " + describe(errno);
        return std::nullopt;
    }
    struct stat status {};
    std::string text;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        problem = path.string() + ": not a regular file";
    } else if (checkMode && (status.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
        problem =
            path.string() + " is open to its group or others (mode " + mode + "); it holds passwords: chmod 600 it";
    } else if (status.st_size > static_cast<off_t>(kMaxFileBytes)) {
        problem = path.string() + ": too large for a users file";
    } else {
        char buffer[4096];
        ssize_t got = 0;
        while ((got = ::read(fd, buffer, sizeof buffer)) > 0 && text.size() <= kMaxFileBytes)
            text.append(buffer, static_cast<std::size_t>(got));
        ::explicit_bzero(buffer, sizeof buffer);
        if (got < 0) problem = path.string() + ": " + describe(errno);
    }
    ::close(fd);
    if (!problem.empty()) {
        wipe(text);
        reason = problem;
        return std::nullopt;
    }
    return text;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(wrote));
    }
    return true;
}

// Temp file beside the target, then rename: a reader sees the old file or the new, never half.
bool replaceFile(const std::filesystem::path& path, std::string_view contents, std::string& problem) {
    const auto folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    std::string pattern = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data()); // mode 0600
    if (fd < 0) {
        problem = folder.string() + ": " + describe(errno);
        return false;
    }
    struct stat previous {};
    bool ok = ::fchmod(fd, 0600) == 0 && writeAll(fd, contents) && ::fsync(fd) == 0;
    // Keep the owner of the file replaced, so root setting a password leaves the server's
    // user able to read it.
    if (ok && ::stat(path.c_str(), &previous) == 0 && ::geteuid() == 0)
        ok = ::fchown(fd, previous.st_uid, previous.st_gid) == 0;
    const int savedError = errno;
    ::close(fd);
    if (ok && ::rename(pattern.c_str(), path.c_str()) == 0) return true;
    problem = path.string() + ": " + describe(ok ? errno : savedError);
    ::unlink(pattern.c_str());
    return false;
}

} // namespace

UserFile::~UserFile() {
    for (auto& entry : entries_) wipe(entry.password);
}

std::optional<UserFile> UserFile::parse(std::string_view text, std::string& problem) {
    UserFile file;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        const auto colon = line.find(':');
        std::optional<std::string> user, password;
        if (colon != std::string_view::npos) {
            user = unescapeField(line.substr(0, colon));
            password = unescapeField(line.substr(colon + 1));
        }
        std::optional<std::string> reason;
        if (!user || !password)
            reason = "expected NAME:PASSWORD in UTF-8 with %XX escapes";
        else if (auto wrong = checkEntry(*user, *password))
            reason = wrong;
        else if (file.find(*user) != nullptr)
            reason = "the user is named twice";
        if (reason) {
            if (password) wipe(*password);
            problem = "line " + std::to_string(lineNumber) + ": " + *reason;
            return std::nullopt;
        }
        file.entries_.push_back({std::move(*user), std::move(*password)});
    }
    return file;
}

std::string UserFile::render() const {
    std::string text = "# vidur share users: NAME:PASSWORD, UTF-8, %XX escapes; set with vidur passwd\n";
    for (const auto& entry : entries_) text += escapeField(entry.user) + ":" + escapeField(entry.password) + "\n";
    return text;
}

std::optional<UserFile> UserFile::load(const std::filesystem::path& path, std::string& problem) {
    auto text = readFile(path, true, problem);
    if (!text) return std::nullopt;
    auto file = parse(*text, problem);
    wipe(*text);
    if (!file) problem = path.string() + ": " + problem;
    return file;
}

const UserFile::Entry* UserFile::find(std::string_view user) const {
    for (const auto& entry : entries_)
        if (vidur::text::compareFolded(entry.user, user) == 0) return &entry;
    return nullptr;
}

std::optional<std::string> UserFile::password(std::string_view user) const {
    const Entry* entry = find(user);
    if (entry == nullptr) return std::nullopt;
    return entry->password;
}

std::optional<std::string> UserFile::userName(std::string_view user) const {
    const Entry* entry = find(user);
    if (entry == nullptr) return std::nullopt;
    return entry->user;
}

bool UserFile::empty() const { return entries_.empty(); }

bool UserFile::store(const std::filesystem::path& path, std::string_view user, std::string_view password,
                     std::string& problem) {
    if (auto wrong = checkEntry(user, password)) {
        problem = *wrong;
        return false;
    }
    UserFile file;
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
        // The mode is not checked here: rewriting the file is how a loose one is mended.
        auto text = readFile(path, false, problem);
        if (!text) return false;
        auto existing = parse(*text, problem);
        wipe(*text);
        if (!existing) {
            problem = path.string() + ": " + problem;
            return false;
        }
        file = std::move(*existing);
    }
    if (Entry* entry = const_cast<Entry*>(file.find(user))) {
        wipe(entry->password);
        entry->password = password;
    } else {
        file.entries_.push_back({std::string(user), std::string(password)});
    }
    std::string contents = file.render();
    const bool stored = replaceFile(path, contents, problem);
    wipe(contents);
    return stored;
}

} // namespace appletalk::afp
