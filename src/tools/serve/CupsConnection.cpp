// SPDX-License-Identifier: MIT
#include "tools/serve/CupsConnection.h"

#include <cups/cups.h>

#include <cerrno>
#include <cstring>

namespace vidur::serve {

namespace {

// libcups calls back every second while it waits, so a cancel is noticed quickly.
constexpr double kPollSeconds = 1.0;

} // namespace

CupsConnection::CupsConnection(std::chrono::seconds limit, std::function<bool()> cancelled)
    : limit_(limit), cancelled_(std::move(cancelled)) {
    connect();
}

CupsConnection::~CupsConnection() { drop(); }

std::string CupsConnection::serverName() {
    const char* server = cupsServer();
    std::string name = server ? server : "localhost";
    if (!name.starts_with('/')) name += ":" + std::to_string(ippPort());
    return name;
}

bool CupsConnection::connect() {
    int cancel = 0;
    http_ = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                         static_cast<int>(std::chrono::milliseconds(limit_).count()), &cancel);
    if (!http_) {
        problem_ = "CUPS at " + serverName() + " does not answer: " + std::strerror(errno);
        return false;
    }
    problem_.clear();
    httpSetTimeout(http_, kPollSeconds, &CupsConnection::keepWaiting, this);
    arm();
    return true;
}

void CupsConnection::arm() { deadline_ = std::chrono::steady_clock::now() + limit_; }

int CupsConnection::keepWaiting(http_t*, void* self) {
    const auto* connection = static_cast<CupsConnection*>(self);
    if (connection->cancelled_ && connection->cancelled_()) return 0;
    return std::chrono::steady_clock::now() < connection->deadline_ ? 1 : 0;
}

std::string CupsConnection::breakage() const {
    if (http_ && httpError(http_) != 0) return std::strerror(httpError(http_));
    if (std::chrono::steady_clock::now() >= deadline_) return "CUPS did not answer in time";
    return "the connection to CUPS broke";
}

void CupsConnection::drop() {
    if (http_) httpClose(http_);
    http_ = nullptr;
}

bool CupsConnection::reconnect() {
    drop();
    return connect();
}

} // namespace vidur::serve
