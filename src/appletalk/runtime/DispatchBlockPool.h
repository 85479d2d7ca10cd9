// SPDX-License-Identifier: MIT
// The blocks MPPAlloc hands out. Each is zero-filled and aligned for atomic access to its
// result field. The pool remembers what it handed out, so freeing a null pointer, a block
// twice, or a block it never gave is refused instead of corrupting the heap.
#pragma once

#include "tarvlib/TarvlibRecords.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace appletalk::runtime {

class DispatchBlockPool {
public:
    DispatchBlockPool() = default;
    DispatchBlockPool(const DispatchBlockPool&) = delete;
    DispatchBlockPool& operator=(const DispatchBlockPool&) = delete;

    // A zeroed block, or null when memory is short.
    _DispatchBlock* allocate();
    bool owns(const _DispatchBlock* block) const;
    // False, with nothing freed, for a block this pool does not hold.
    bool release(_DispatchBlock* block);
    std::size_t size() const;

private:
    mutable std::mutex mutex_;
    std::unordered_map<const _DispatchBlock*, std::unique_ptr<_DispatchBlock>> blocks_;
};

} // namespace appletalk::runtime
