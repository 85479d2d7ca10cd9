// SPDX-License-Identifier: MIT
// What the server tells a mounted volume's user (a shutdown coming, a message waiting, the
// server gone), in words: to the system log (LOG_USER, "vidur-mount") and, where there is a
// desktop, as a notification. The notifier is spawned, never waited for; its exits are
// collected on the next call of reap().
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace vidur::mount {

class AttentionNotice {
public:
    // `where`: "VOLUME of SERVER on DIR", the start of each sentence.
    explicit AttentionNotice(std::string where);
    ~AttentionNotice();
    AttentionNotice(const AttentionNotice&) = delete;
    AttentionNotice& operator=(const AttentionNotice&) = delete;

    // An AFP attention code, from the transport's thread. One that says a message waits is
    // only noted: the message is fetched later, between calls (takeMessageWaiting).
    void attention(std::uint16_t code);
    // The attention that said a message waits, taken once; 0 when none came.
    std::uint16_t takeMessageWaiting() { return messageWaiting_.exchange(0); }
    // The server's message, or the attention's sentence when it could not be had.
    void serverMessage(const std::optional<std::string>& text, std::uint16_t attention);
    void serverGone(const std::string& reason);
    void say(const std::string& sentence);
    void reap();

private:
    void notifyDesktop(const std::string& sentence);

    std::string where_;
    std::mutex mutex_;
    std::vector<pid_t> notifiers_;
    std::atomic<std::uint16_t> messageWaiting_{0};
};

} // namespace vidur::mount
