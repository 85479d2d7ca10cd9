// SPDX-License-Identifier: MIT
// A socket's receive buffer sized for bursts: a whole zone answering one look-up arrives in
// well under a millisecond on a fast link, and must wait there while the stack's thread is
// busy elsewhere.
#pragma once

#include <string>

namespace appletalk {

// Room for a burst of well over a thousand frames.
inline constexpr int kBurstReceiveBufferBytes = 4 << 20;

// What the kernel granted, against what was asked: a process without CAP_NET_ADMIN gets no
// more than net.core.rmem_max, which by default holds a few hundred frames.
struct ReceiveBufferGrant {
    int askedBytes = kBurstReceiveBufferBytes;
    int grantedBytes = 0;

    // From what getsockopt(SO_RCVBUF) reports: Linux doubles the size it was given, for its
    // own bookkeeping, and reports the doubled figure (socket(7)).
    static ReceiveBufferGrant fromReported(int askedBytes, int reportedBytes);

    bool isShort() const { return grantedBytes < askedBytes; }
    // For the user, when isShort(): what may happen and the setting that prevents it.
    std::string advice() const;
};

// As much of it as allowed: forced past net.core.rmem_max where the process may
// (CAP_NET_ADMIN), else up to that limit. Best effort; the kernel counts what it drops.
ReceiveBufferGrant enlargeReceiveBuffer(int socket);

} // namespace appletalk
