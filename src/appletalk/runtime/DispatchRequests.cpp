// SPDX-License-Identifier: MIT
#include "appletalk/runtime/DispatchRequests.h"

#include "appletalk/runtime/ApiResults.h"
#include "tarvlib/DispatchBlockAccess.h"

#include <algorithm>
#include <chrono>

namespace appletalk::runtime {

using api::DispatchBlockAccess;

DispatchRequests::DispatchRequests(NetworkOperations& network, const Clock& clock)
    // Values start somewhere different in every process, so a value kept from an earlier
    // run ends nothing of this one.
    : network_(network),
      clock_(clock),
      lastId_(static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()) & 0x7FFFFFFFu) {}

DispatchRequests::~DispatchRequests() {
    for (auto& [id, request] : status_) request->cancel();
}

int DispatchRequests::dispatch(_DispatchBlock& block) {
    retired_.clear();
    switch (block.command) {
    case ATALK_CMD_NODE_INFO: return nodeInformation(block);
    case ATALK_CMD_PRINTER_STATUS: return printerStatus(block);
    case ATALK_CMD_END_PRINTER: return endRequest(block);
    default: return kErrBadCommand;
    }
}

void DispatchRequests::forgetBlock(const _DispatchBlock* block) {
    retired_.clear();
    for (auto it = status_.begin(); it != status_.end();) {
        if (it->second->block() == block) {
            it->second->cancel();
            it = status_.erase(it);
        } else {
            ++it;
        }
    }
    nodeInfoWaiting_.erase(std::remove(nodeInfoWaiting_.begin(), nodeInfoWaiting_.end(), block),
                           nodeInfoWaiting_.end());
}

int DispatchRequests::nodeInformation(_DispatchBlock& block) {
    forgetBlock(&block);
    if (network_.nodeInfo()) {
        answerNodeInformation(block, true);
        return kOk;
    }
    DispatchBlockAccess::publishResult(block, kInProgress);
    nodeInfoWaiting_.push_back(&block);
    if (!waitingForStart_) {
        waitingForStart_ = true;
        network_.whenStarted([this](bool ok) {
            waitingForStart_ = false;
            auto waiting = std::move(nodeInfoWaiting_);
            nodeInfoWaiting_.clear();
            for (_DispatchBlock* waiter : waiting) answerNodeInformation(*waiter, ok);
        });
    }
    return kOk;
}

void DispatchRequests::answerNodeInformation(_DispatchBlock& block, bool ok) {
    const auto info = network_.nodeInfo();
    if (!ok || !info) {
        const int failure = network_.startFailure();
        DispatchBlockAccess::publishResult(block, failure != 0 ? failure : kErrNoNetwork);
        return;
    }
    DispatchBlockAccess::writeU16(block, DB_NODE_NETWORK_OFFSET, info->network);
    DispatchBlockAccess::writeU8(block, DB_NODE_NODE_OFFSET, info->node);
    DispatchBlockAccess::writeU8(block, DB_NODE_NODE_OFFSET + 1, 0);
    DispatchBlockAccess::writeU16(block, DB_NODE_RANGE_FIRST_OFFSET, info->rangeFirst);
    DispatchBlockAccess::writeU16(block, DB_NODE_RANGE_LAST_OFFSET, info->rangeLast);
    // A zone name is at most 32 bytes; the field ends where the block ends.
    DispatchBlockAccess::writeText(block, DB_NODE_ZONE_OFFSET, NBP_NAME_FIELD_SIZE, info->zone);
    DispatchBlockAccess::publishResult(block, kOk);
}

int DispatchRequests::printerStatus(_DispatchBlock& block) {
    forgetBlock(&block);
    const std::uint32_t id = nextId();
    DispatchBlockAccess::writeU32(block, DB_REQUEST_ID_OFFSET, id);
    DispatchBlockAccess::publishResult(block, kInProgress);
    auto request = std::make_unique<PrinterStatusRequest>(network_, clock_, block, id,
                                                          [this](std::uint32_t done) { retire(done); });
    PrinterStatusRequest& started = *request;
    status_.emplace(id, std::move(request));
    started.start();
    return kOk;
}

int DispatchRequests::endRequest(_DispatchBlock& block) {
    const std::uint32_t id = DispatchBlockAccess::readU32(block, DB_REQUEST_ID_OFFSET);
    if (const auto found = status_.find(id); id != 0 && found != status_.end()) {
        found->second->cancel();
        status_.erase(found);
    }
    DispatchBlockAccess::publishResult(block, kOk);
    return kOk;
}

void DispatchRequests::retire(std::uint32_t id) {
    const auto found = status_.find(id);
    if (found == status_.end()) return;
    retired_.push_back(std::move(found->second));
    status_.erase(found);
}

std::uint32_t DispatchRequests::nextId() {
    do {
        ++lastId_;
    } while (lastId_ == 0 || status_.count(lastId_) != 0);
    return lastId_;
}

} // namespace appletalk::runtime
