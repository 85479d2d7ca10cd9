// SPDX-License-Identifier: MIT
#include "appletalk/node/link/ReceiveBuffer.h"

#include <sys/socket.h>

namespace appletalk {

void enlargeReceiveBuffer(int socket) {
    const int size = kBurstReceiveBufferBytes;
    if (setsockopt(socket, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

int receiveBufferBytes(int socket) {
    int size = 0;
    socklen_t length = sizeof size;
    return getsockopt(socket, SOL_SOCKET, SO_RCVBUF, &size, &length) == 0 ? size : 0;
}

} // namespace appletalk
