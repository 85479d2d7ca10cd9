// SPDX-License-Identifier: MIT
// The request functions: MPPAlloc, MPPFree and ATALKDispatch.
#include "appletalk/api/ThrownResult.h"
#include "appletalk/runtime/ApiResults.h"
#include "appletalk/runtime/DispatchBlockPool.h"
#include "appletalk/runtime/Stack.h"
#include "tarvlib/DispatchBlockAccess.h"
#include "tarvlib/TarvlibApi.h"

using namespace appletalk::api;
using namespace appletalk::runtime;

namespace {

// Blocks outlive any one stack: a caller may hold one across a restart of the stack.
DispatchBlockPool& pool() {
    static DispatchBlockPool blocks;
    return blocks;
}

bool isKnownCommand(std::uint32_t command) {
    return command == ATALK_CMD_NODE_INFO || command == ATALK_CMD_PRINTER_STATUS || command == ATALK_CMD_END_PRINTER;
}

} // namespace

extern "C" int MPPAlloc(_DispatchBlock** block, int reserved) try {
    if (block == nullptr || reserved != 0) return kErrBadArgument;
    _DispatchBlock* allocated = pool().allocate();
    if (allocated == nullptr) return kErrNoMemory;
    *block = allocated;
    return kOk;
} catch (...) {
    return ThrownResult::of("MPPAlloc", kErrNoMemory);
}

extern "C" int MPPFree(_DispatchBlock* block) try {
    if (block == nullptr || !pool().owns(block)) return kErrBadArgument;
    // Whatever request still runs on it must never write into freed memory.
    if (const auto stack = Stack::current()) stack->run([&stack, block] { stack->requests().forgetBlock(block); });
    return pool().release(block) ? kOk : kErrBadArgument;
} catch (...) {
    return ThrownResult::of("MPPFree", kErrNoNetwork);
}

extern "C" int ATALKDispatch(_DispatchBlock* block) try {
    if (block == nullptr) return kErrBadArgument;
    // The command is the caller's, read before the stack has the block.
    if (!isKnownCommand(block->command)) return kErrBadCommand;
    const auto stack = Stack::instance();
    if (!stack) {
        // No stack thread will ever answer: say so in the field the caller polls.
        const bool end = block->command == ATALK_CMD_END_PRINTER;
        DispatchBlockAccess::publishResult(*block, end ? kOk : kErrNoNetwork);
        return end ? kOk : kErrNoNetwork;
    }
    return stack->run([&stack, block] { return stack->requests().dispatch(*block); });
} catch (...) {
    return ThrownResult::of("ATALKDispatch", kErrNoNetwork);
}
