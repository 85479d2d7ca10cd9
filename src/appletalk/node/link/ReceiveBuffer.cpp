// SPDX-License-Identifier: MIT
#include "appletalk/node/link/ReceiveBuffer.h"

#include <sys/socket.h>

namespace appletalk {

void enlargeReceiveBuffer(int socket) {
    const int size = kBurstReceiveBufferBytes;
    if (setsockopt(socket, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

} // namespace appletalk
