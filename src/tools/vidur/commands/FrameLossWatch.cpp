// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/FrameLossWatch.h"

#include "appletalk/runtime/LinkCondition.h"
#include "tools/vidur/output/TerminalText.h"

namespace vidur::cli {

using appletalk::runtime::LinkCondition;

FrameLossWatch::FrameLossWatch(std::string prefix, std::ostream& err) : prefix_(std::move(prefix)), err_(err) {
    const auto condition = LinkCondition::ofLibraryStack();
    if (!condition) return;
    if (!condition->nodeServiceNotice.empty())
        err_ << prefix_ << escapeControls(condition->nodeServiceNotice) << "; running a node of its own\n";
    droppedAtStart_ = condition->framesDropped;
    if (condition->receiveBuffer && condition->receiveBuffer->isShort())
        err_ << prefix_ << condition->receiveBuffer->advice() << "\n";
}

std::uint64_t FrameLossWatch::lost() {
    if (!droppedAtStart_) return 0;
    const auto condition = LinkCondition::ofLibraryStack();
    if (!condition || condition->framesDropped <= *droppedAtStart_) return 0;
    const std::uint64_t lost = condition->framesDropped - *droppedAtStart_;
    err_ << prefix_ << lost << (lost == 1 ? " frame was" : " frames were")
         << " lost on the way in (the receive buffer was full, or the network lost them): the answer may be "
            "incomplete\n";
    return lost;
}

} // namespace vidur::cli
