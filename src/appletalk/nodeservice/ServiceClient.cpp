// SPDX-License-Identifier: MIT
#include "appletalk/nodeservice/ServiceClient.h"

#include <cerrno>
#include <fstream>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace appletalk::nodeservice {

namespace {

std::string userName(uid_t uid) {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(4096);
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) return found->pw_name;
    return "uid " + std::to_string(uid);
}

std::string programName(pid_t pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name.empty() ? std::string("?") : name;
}

// Who is at the other end, as the kernel saw it connect.
std::string describe(int fd, std::uint64_t number) {
    std::string text = "program " + std::to_string(number);
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) return text + " (unknown peer)";
    return text + " (pid " + std::to_string(credentials.pid) + " " + programName(credentials.pid) + ", user " +
           userName(credentials.uid) + ")";
}

} // namespace

ServiceClient::ServiceClient(int fd, std::uint64_t number, int sendBufferBytes)
    : fd_(fd), number_(number), description_(describe(fd, number)) {
    ::setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &sendBufferBytes, sizeof sendBufferBytes);
}

ServiceClient::~ServiceClient() { ::close(fd_); }

bool ServiceClient::send(const Message& message) {
    const std::vector<std::uint8_t> bytes = serialize(message);
    if (bytes.empty()) return false;
    return ::send(fd_, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

bool ServiceClient::receive(std::vector<std::uint8_t>& packet, bool& closed) {
    packet.resize(kMaxMessageSize + 1);
    const ssize_t got = ::recv(fd_, packet.data(), packet.size(), MSG_DONTWAIT);
    if (got > 0) {
        packet.resize(static_cast<std::size_t>(got));
        return true;
    }
    if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) closed = true;
    return false;
}

} // namespace appletalk::nodeservice
