// SPDX-License-Identifier: MIT
#include "appletalk/node/link/ReceiveBuffer.h"

#include <sys/socket.h>

namespace appletalk {

namespace {

std::string kibibytes(int bytes) { return std::to_string(bytes / 1024) + " KiB"; }

} // namespace

ReceiveBufferGrant ReceiveBufferGrant::fromReported(int askedBytes, int reportedBytes) {
    return {askedBytes, reportedBytes / 2};
}

std::string ReceiveBufferGrant::advice() const {
    return "the kernel gave the receive buffer " + kibibytes(grantedBytes) + " of the " + kibibytes(askedBytes) +
           " asked, so a large burst of replies may be cut; to allow it: sysctl -w net.core.rmem_max=" +
           std::to_string(askedBytes);
}

ReceiveBufferGrant enlargeReceiveBuffer(int socket) {
    const int size = kBurstReceiveBufferBytes;
    if (setsockopt(socket, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    int reported = 0;
    socklen_t length = sizeof reported;
    if (getsockopt(socket, SOL_SOCKET, SO_RCVBUF, &reported, &length) != 0) return {size, 0};
    return ReceiveBufferGrant::fromReported(size, reported);
}

} // namespace appletalk
