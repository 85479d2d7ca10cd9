// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/NodeInformation.h"

#include "tarvlib/DispatchBlockAccess.h"
#include "tarvlib/TarvlibApi.h"
#include "tools/vidur/cli/LibraryStatus.h"

#include <thread>

namespace vidur::cli {

using appletalk::api::DispatchBlockAccess;

namespace {

// The reply's zone runs to the end of the block.
constexpr std::size_t kZoneSize = DISPATCH_BLOCK_SIZE - DB_NODE_ZONE_OFFSET;

} // namespace

NodeInformation::Reply NodeInformation::query(std::chrono::milliseconds timeout) {
    Reply reply;
    _DispatchBlock* block = nullptr;
    if (const int allocated = MPPAlloc(&block, 0); allocated != 0 || block == nullptr) {
        reply.status = allocated != 0 ? allocated : -7;
        return reply;
    }
    DispatchBlockAccess::prepareRequest(*block, ATALK_CMD_NODE_INFO);
    block->cleared48 = 0;
    const int dispatched = ATALKDispatch(block);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int result = DispatchBlockAccess::loadResult(*block);
    while (dispatched >= 0 && result == 1 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        result = DispatchBlockAccess::loadResult(*block);
    }
    if (dispatched < 0)
        reply.status = dispatched;
    else if (result == 1)
        reply.status = LibraryStatus::kTimedOut;
    else if (result < 0)
        reply.status = result;
    else {
        reply.network = DispatchBlockAccess::readU16(*block, DB_NODE_NETWORK_OFFSET);
        reply.node = DispatchBlockAccess::readU8(*block, DB_NODE_NODE_OFFSET);
        reply.rangeFirst = DispatchBlockAccess::readU16(*block, DB_NODE_RANGE_FIRST_OFFSET);
        reply.rangeLast = DispatchBlockAccess::readU16(*block, DB_NODE_RANGE_LAST_OFFSET);
        reply.zone = DispatchBlockAccess::readText(*block, DB_NODE_ZONE_OFFSET, kZoneSize);
    }
    // Freeing also stops a request that is still out, so the library never writes into it.
    MPPFree(block);
    return reply;
}

} // namespace vidur::cli
