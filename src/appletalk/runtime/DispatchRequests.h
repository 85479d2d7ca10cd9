// SPDX-License-Identifier: MIT
// The requests of ATALKDispatch, run on the stack's thread:
//  - 0x0210 node information: answered at once when the node has started, else when it has;
//  - 0x0810 printer status: a PrinterStatusRequest, identified by a value written at offset
//    52 of its block;
//  - 0x0806 end: ends the status request whose value is at offset 52 of the end block, and
//    completes at once. After that the stack never writes into either block again.
// A block has at most one request: dispatching a block again replaces its earlier request.
#pragma once

#include "appletalk/runtime/NetworkOperations.h"
#include "appletalk/runtime/PrinterStatusRequest.h"
#include "tarvlib/TarvlibRecords.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace appletalk::runtime {

class DispatchRequests {
public:
    // The clock times the printer status requests' budget.
    DispatchRequests(NetworkOperations& network, const Clock& clock);
    ~DispatchRequests();
    DispatchRequests(const DispatchRequests&) = delete;
    DispatchRequests& operator=(const DispatchRequests&) = delete;

    // 0 when accepted (the block's result then tells the rest), negative when refused.
    int dispatch(_DispatchBlock& block);
    // Stops whatever would still write into `block` (it is about to be freed).
    void forgetBlock(const _DispatchBlock* block);

    std::size_t pendingStatusRequests() const { return status_.size(); }

private:
    int nodeInformation(_DispatchBlock& block);
    int printerStatus(_DispatchBlock& block);
    int endRequest(_DispatchBlock& block);
    void answerNodeInformation(_DispatchBlock& block, bool ok);
    void retire(std::uint32_t id);
    std::uint32_t nextId();

    NetworkOperations& network_;
    const Clock& clock_;
    std::map<std::uint32_t, std::unique_ptr<PrinterStatusRequest>> status_;
    // Finished requests wait here until the next call: one may not delete itself from its
    // own callback.
    std::vector<std::unique_ptr<PrinterStatusRequest>> retired_;
    std::vector<_DispatchBlock*> nodeInfoWaiting_;
    bool waitingForStart_ = false;
    std::uint32_t lastId_;
};

} // namespace appletalk::runtime
