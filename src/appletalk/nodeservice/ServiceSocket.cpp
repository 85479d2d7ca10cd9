// SPDX-License-Identifier: MIT
#include "appletalk/nodeservice/ServiceSocket.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace appletalk::nodeservice {

namespace {

constexpr int kFirstPassedFd = 3; // systemd's SD_LISTEN_FDS_START

bool fillAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

bool someoneAnswers(const sockaddr_un& address) {
    const int probe = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (probe < 0) return false;
    const bool answered = ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    return answered;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

} // namespace

int ServiceSocket::fromSystemd(std::string& problem) {
    const char* pid = std::getenv("LISTEN_PID");
    const char* fds = std::getenv("LISTEN_FDS");
    if (pid == nullptr || fds == nullptr || std::atol(pid) != static_cast<long>(::getpid()) || std::atoi(fds) < 1)
        return -1;
    int type = 0;
    socklen_t length = sizeof type;
    if (::getsockopt(kFirstPassedFd, SOL_SOCKET, SO_TYPE, &type, &length) != 0 || type != SOCK_SEQPACKET) {
        problem = "the socket systemd passed is not a Unix sequenced-packet socket (ListenSequentialPacket=)";
        return -1;
    }
    ::unsetenv("LISTEN_PID");
    ::unsetenv("LISTEN_FDS");
    ::unsetenv("LISTEN_FDNAMES");
    return kFirstPassedFd;
}

int ServiceSocket::listenAt(const std::string& path, bool shared, std::string& problem) {
    sockaddr_un address;
    if (!fillAddress(path, address)) {
        problem = "'" + path + "' is not a socket path (empty, or over " + std::to_string(sizeof address.sun_path - 1) +
                  " bytes)";
        return -1;
    }
    if (const std::string folder = folderOf(path); !folder.empty()) {
        // Only the last folder is made: /run or $XDG_RUNTIME_DIR are the system's to make.
        if (::mkdir(folder.c_str(), shared ? 0755 : 0700) != 0 && errno != EEXIST) {
            problem = "cannot make " + folder + ": " + std::strerror(errno);
            return -1;
        }
    }
    if (someoneAnswers(address)) {
        problem = "another AppleTalk node service is running at " + path;
        return -1;
    }
    ::unlink(path.c_str()); // one left behind by a service that ended
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        problem = std::string("cannot make a socket: ") + std::strerror(errno);
        return -1;
    }
    const mode_t before = ::umask(shared ? 0117 : 0177);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    const int reason = errno;
    ::umask(before);
    if (!bound || ::listen(fd, 64) != 0) {
        problem = "cannot listen at " + path + ": " + std::strerror(bound ? errno : reason);
        ::close(fd);
        return -1;
    }
    // The system's socket is for the group's members, as the packaged socket unit makes it.
    const group* members = shared ? ::getgrnam(kGroup) : nullptr;
    if (members != nullptr && ::chown(path.c_str(), static_cast<uid_t>(-1), members->gr_gid) != 0)
        problem = std::string("the socket stays in its owner's group: ") + std::strerror(errno);
    return fd;
}

} // namespace appletalk::nodeservice
