// SPDX-License-Identifier: MIT
// What the server tells a mounted volume's user (a shutdown coming, a message waiting, the
// server gone), in words: to the system log (LOG_USER, "vidur-mount") and, where there is a
// desktop, as a notification. The notifier is spawned, never waited for; its exits are
// collected on the next call of reap().
#pragma once

#include <cstdint>
#include <mutex>
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

    // An AFP attention code, from the transport's thread.
    void attention(std::uint16_t code);
    void serverGone(const std::string& reason);
    void say(const std::string& sentence);
    void reap();

    // The sentence for an attention code.
    static std::string describe(std::uint16_t code);

private:
    void notifyDesktop(const std::string& sentence);

    std::string where_;
    std::mutex mutex_;
    std::vector<pid_t> notifiers_;
};

} // namespace vidur::mount
