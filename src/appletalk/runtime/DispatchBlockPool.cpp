// SPDX-License-Identifier: MIT
#include "appletalk/runtime/DispatchBlockPool.h"

#include <new>

namespace appletalk::runtime {

_DispatchBlock* DispatchBlockPool::allocate() {
    // Value-initialised: every byte zero, as a caller that reads before writing expects.
    std::unique_ptr<_DispatchBlock> block(new (std::nothrow) _DispatchBlock{});
    if (!block) return nullptr;
    _DispatchBlock* raw = block.get();
    std::lock_guard lock(mutex_);
    blocks_.emplace(raw, std::move(block));
    return raw;
}

bool DispatchBlockPool::owns(const _DispatchBlock* block) const {
    std::lock_guard lock(mutex_);
    return blocks_.count(block) != 0;
}

bool DispatchBlockPool::release(_DispatchBlock* block) {
    std::unique_ptr<_DispatchBlock> freed;
    {
        std::lock_guard lock(mutex_);
        const auto found = blocks_.find(block);
        if (found == blocks_.end()) return false;
        freed = std::move(found->second);
        blocks_.erase(found);
    }
    return true;
}

std::size_t DispatchBlockPool::size() const {
    std::lock_guard lock(mutex_);
    return blocks_.size();
}

} // namespace appletalk::runtime
