// SPDX-License-Identifier: MIT
#include "appletalk/runtime/LinkCondition.h"

#include "appletalk/runtime/Stack.h"

namespace appletalk::runtime {

std::optional<LinkCondition> LinkCondition::ofLibraryStack() {
    const auto stack = Stack::instance();
    if (!stack || !stack->isOnline()) return std::nullopt;
    // On the stack's thread: a link's counters belong to the thread that polls it.
    return stack->run([&stack] {
        const Link& link = stack->link();
        return LinkCondition{link.receiveBuffer(), link.framesDropped(), stack->nodeService(),
                             stack->nodeServiceNotice()};
    });
}

} // namespace appletalk::runtime
