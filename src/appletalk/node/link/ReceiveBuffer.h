// SPDX-License-Identifier: MIT
// A socket's receive buffer sized for bursts: a whole zone answering one look-up arrives in
// well under a millisecond on a fast link, and must wait there while the stack's thread is
// busy elsewhere.
#pragma once

namespace appletalk {

// Room for a burst of well over a thousand frames.
inline constexpr int kBurstReceiveBufferBytes = 4 << 20;

// As much of it as allowed: forced past net.core.rmem_max where the process may
// (CAP_NET_ADMIN), else up to that limit. Best effort; the kernel counts what it drops.
void enlargeReceiveBuffer(int socket);

} // namespace appletalk
