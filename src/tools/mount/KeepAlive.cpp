// SPDX-License-Identifier: MIT
#include "tools/mount/KeepAlive.h"

namespace vidur::mount {

KeepAlive::KeepAlive(AfpFileSystem& fileSystem, appletalk::afp::AfpTransport& transport,
                     std::chrono::milliseconds interval, std::function<void()> tick)
    : fileSystem_(fileSystem), transport_(transport), interval_(interval), tick_(std::move(tick)),
      thread_([this] { run(); }) {}

KeepAlive::~KeepAlive() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void KeepAlive::run() {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, interval_, [this] { return stopping_; })) {
        lock.unlock();
        fileSystem_.whileIdle([this](std::string& problem) { return transport_.keepAlive(problem); });
        if (tick_) tick_();
        lock.lock();
    }
}

} // namespace vidur::mount
