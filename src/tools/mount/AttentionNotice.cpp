// SPDX-License-Identifier: MIT
#include "tools/mount/AttentionNotice.h"

#include "appletalk/afp/client/AfpClientText.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>

#include <spawn.h>
#include <sys/wait.h>
#include <syslog.h>
#include <unistd.h>

extern char** environ;

namespace vidur::mount {

namespace {

bool onPath(std::string_view program) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return false;
    std::string_view rest = path;
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const std::filesystem::path candidate = std::filesystem::path(rest.substr(0, colon)) / program;
        if (::access(candidate.c_str(), X_OK) == 0) return true;
        rest.remove_prefix(colon == std::string_view::npos ? rest.size() : colon + 1);
    }
    return false;
}

} // namespace

AttentionNotice::AttentionNotice(std::string where) : where_(std::move(where)) {
    ::openlog("vidur-mount", LOG_PID, LOG_USER);
}

AttentionNotice::~AttentionNotice() {
    reap();
    ::closelog();
}

void AttentionNotice::attention(std::uint16_t code) {
    if (appletalk::afp::attentionIsMessageOnly(code))
        messageWaiting_ = code;
    else
        say(appletalk::afp::describeAttention(code));
}

void AttentionNotice::serverMessage(const std::optional<std::string>& text, std::uint16_t attention) {
    if (text && !text->empty())
        say("the server says: " + *text);
    else
        say(appletalk::afp::describeAttention(attention));
}

void AttentionNotice::serverGone(const std::string& reason) {
    say("the server is gone (" + reason + "); its files answer input/output errors until it is unmounted");
}

void AttentionNotice::say(const std::string& sentence) {
    const std::string line = where_ + ": " + sentence;
    ::syslog(LOG_WARNING, "%s", line.c_str());
    notifyDesktop(line);
}

void AttentionNotice::notifyDesktop(const std::string& sentence) {
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (bus == nullptr || *bus == '\0' || !onPath("notify-send")) return;
    std::string program = "notify-send", title = "AppleShare", body = sentence;
    char* arguments[] = {program.data(), title.data(), body.data(), nullptr};
    pid_t child = 0;
    if (::posix_spawnp(&child, "notify-send", nullptr, nullptr, arguments, environ) != 0) return;
    std::lock_guard lock(mutex_);
    notifiers_.push_back(child);
}

void AttentionNotice::reap() {
    std::lock_guard lock(mutex_);
    std::erase_if(notifiers_, [](pid_t child) { return ::waitpid(child, nullptr, WNOHANG) != 0; });
}

} // namespace vidur::mount
