// SPDX-License-Identifier: MIT
// While a volume is mounted and idle, its session still has to hear the server and be heard:
// every few seconds, between the file operations (under their mutex), the transport takes in
// what came and sends a tickle when one is due. Once it says the session is gone, the file
// system answers EIO from then on.
#pragma once

#include "appletalk/afp/client/AfpTransport.h"
#include "tools/mount/AfpFileSystem.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace vidur::mount {

class KeepAlive {
public:
    // `tick` runs after each turn (collecting spawned notifiers).
    KeepAlive(AfpFileSystem& fileSystem, appletalk::afp::AfpTransport& transport, std::chrono::milliseconds interval,
              std::function<void()> tick);
    ~KeepAlive(); // stops and joins

    KeepAlive(const KeepAlive&) = delete;
    KeepAlive& operator=(const KeepAlive&) = delete;

private:
    void run();

    AfpFileSystem& fileSystem_;
    appletalk::afp::AfpTransport& transport_;
    std::chrono::milliseconds interval_;
    std::function<void()> tick_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace vidur::mount
