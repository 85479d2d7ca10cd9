// SPDX-License-Identifier: MIT
// One printer status request (ATALKDispatch 0x0810) on the stack's thread: ask the printer
// for its PAP status at the address in the block's tuple; if it does not answer, find it
// again by name and, if it moved, ask at its new address. Then fill the caller's block:
// status text, the tuple with the address that answered, and last the result: kErrBadReply
// rather than kErrNotFound when what came back could not be read.
//
// The request writes into the block only from its own callbacks, and cancel() stops every
// one of them, so after cancel() returns the block is never touched again.
#pragma once

#include "appletalk/runtime/NetworkOperations.h"
#include "tarvlib/TarvlibRecords.h"

#include <cstdint>
#include <functional>

namespace appletalk::runtime {

class PrinterStatusRequest {
public:
    using Finished = std::function<void(std::uint32_t id)>;

    // How hard to look for a printer that did not answer at its address.
    static constexpr auto kFindInterval = std::chrono::milliseconds(1000);
    static constexpr int kFindRetries = 1;

    PrinterStatusRequest(NetworkOperations& network, _DispatchBlock& block, std::uint32_t id, Finished finished);
    ~PrinterStatusRequest();
    PrinterStatusRequest(const PrinterStatusRequest&) = delete;
    PrinterStatusRequest& operator=(const PrinterStatusRequest&) = delete;

    void start();
    void cancel();
    bool isFinished() const { return finished_ == nullptr; }
    const _DispatchBlock* block() const { return block_; }
    std::uint32_t id() const { return id_; }

private:
    void askAt(const DdpAddress& address);
    void answered(const DdpAddress& address, int result, const std::string& status);
    void findAgain();
    void found(const nbp::NbpTuple& tuple);
    void lookupEnded(int status);
    void succeed(const DdpAddress& address, const std::string& status);
    void fail();
    void end();

    NetworkOperations& network_;
    _DispatchBlock* block_;
    std::uint32_t id_;
    Finished finished_;
    _NBPTuple printer_;
    DdpAddress askedAt_;
    bool searched_ = false;
    bool movedFound_ = false;
    bool unreadable_ = false; // an answer on the way could not be read
    OperationId operation_ = 0;
};

} // namespace appletalk::runtime
