// SPDX-License-Identifier: MIT
#include "tools/serve/CupsConnection.h"

#include <cups/cups.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace vidur::serve {

namespace {

// libcups calls back every second while it waits, so a cancel is noticed quickly.
constexpr double kPollSeconds = 1.0;

// The errno of one connect to the address, waiting at most `limit`; 0 when it connected.
int connectError(const http_addr_t& address, std::chrono::milliseconds limit) {
    const int probe = ::socket(address.addr.sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (probe < 0) return errno;
    int error = 0;
    if (::connect(probe, &address.addr, static_cast<socklen_t>(httpAddrLength(&address))) != 0) {
        error = errno;
        if (error == EINPROGRESS) {
            pollfd writable{probe, POLLOUT, 0};
            socklen_t size = sizeof error;
            if (::poll(&writable, 1, static_cast<int>(limit.count())) != 1)
                error = ETIMEDOUT;
            else if (::getsockopt(probe, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
                error = errno;
        }
    }
    ::close(probe);
    return error;
}

// Why the server takes no connection, in the words of the connect's own errno. libcups closes
// its failed sockets before it returns, so errno then tells of a close ("Bad file
// descriptor"), and its own message says "Host is down" of a port nobody listens on: the
// reason is asked again with one connect of our own to each of the server's addresses.
std::string refusal(std::chrono::milliseconds limit) {
    http_addrlist_t* addresses = httpAddrGetList(cupsServer(), AF_UNSPEC, std::to_string(ippPort()).c_str());
    if (!addresses) return "its address cannot be found";
    int error = 0;
    for (const http_addrlist_t* address = addresses; address; address = address->next)
        if ((error = connectError(address->addr, limit)) == 0) break;
    httpAddrFreeList(addresses);
    if (error == 0) return cupsLastErrorString(); // it answers now: what libcups met will do
    std::string reason = std::strerror(error);
    if (!reason.empty()) reason.front() = static_cast<char>(std::tolower(static_cast<unsigned char>(reason.front())));
    return reason;
}

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
        problem_ = "CUPS at " + serverName() + " does not answer: " + refusal(limit_);
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
