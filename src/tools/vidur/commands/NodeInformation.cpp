#include "tools/vidur/NodeInformation.h"

#include "appletalk/api/TarvlibApi.h"
#include "tools/vidur/DispatchBlockView.h"
#include "tools/vidur/LibraryStatus.h"

#include <thread>

namespace vidur::cli {

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
    DispatchBlockView view(*block);
    view.prepare(ATALK_CMD_NODE_INFO);
    block->cleared48 = 0;
    const int dispatched = ATALKDispatch(block);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int result = view.result();
    while (dispatched >= 0 && result == 1 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        result = view.result();
    }
    if (dispatched < 0) reply.status = dispatched;
    else if (result == 1) reply.status = LibraryStatus::kTimedOut;
    else if (result < 0) reply.status = result;
    else {
        reply.network = view.u16(DB_NODE_NETWORK_OFFSET);
        reply.node = view.u8(DB_NODE_NODE_OFFSET);
        reply.rangeFirst = view.u16(DB_NODE_RANGE_FIRST_OFFSET);
        reply.rangeLast = view.u16(DB_NODE_RANGE_LAST_OFFSET);
        reply.zone = view.text(DB_NODE_ZONE_OFFSET, kZoneSize);
    }
    // Freeing also stops a request that is still out, so the library never writes into it.
    MPPFree(block);
    return reply;
}

} // namespace vidur::cli
