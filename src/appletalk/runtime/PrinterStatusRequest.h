// SPDX-License-Identifier: MIT
// One printer status request (ATALKDispatch 0x0810) on the stack's thread. Once the stack has
// started, ask the printer for its PAP status at the address in the block's tuple; if it does
// not answer, find it again by name and ask wherever it is found, and so on until it answers
// or the answer budget is spent. A printer found by name whose answer cannot be read ends it
// at once: it is there, and asking again would only bring the same answer. Then fill the
// caller's block: status text, the tuple with the address that answered, and last the result:
// kErrBadReply rather than kErrNotFound when what came back could not be read.
//
// The request writes into the block only from its own callbacks, and cancel() stops every
// one of them, so after cancel() returns the block is never touched again.
#pragma once

#include "appletalk/runtime/NetworkOperations.h"
#include "tarvlib/TarvlibRecords.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace appletalk::runtime {

class PrinterStatusRequest {
public:
    using Finished = std::function<void(std::uint32_t id)>;

    // How long a printer has to answer, from the stack's start, before the request fails. The
    // status window shows "printer not found" after one failure and stops asking, so a late
    // answer (a reply lost in a burst, a slow network, a machine too busy to run the stack's
    // thread for a while) would leave a false "not found" on screen. Eight seconds hold two
    // rounds of asking (three tries a second apart) and looking the name up again; a printer
    // that is really gone is still reported within seconds of the window opening.
    static constexpr auto kAnswerBudget = std::chrono::seconds(8);
    // Each look-up of the printer's name sends every second, at least twice.
    static constexpr auto kFindInterval = std::chrono::milliseconds(1000);
    static constexpr int kFindRetries = 1;

    PrinterStatusRequest(NetworkOperations& network, const Clock& clock, _DispatchBlock& block, std::uint32_t id,
                         Finished finished);
    ~PrinterStatusRequest();
    PrinterStatusRequest(const PrinterStatusRequest&) = delete;
    PrinterStatusRequest& operator=(const PrinterStatusRequest&) = delete;

    void start();
    void cancel();
    bool isFinished() const { return finished_ == nullptr; }
    const _DispatchBlock* block() const { return block_; }
    std::uint32_t id() const { return id_; }

private:
    void begin();
    void askAt(const DdpAddress& address, Duration patience);
    void answered(const DdpAddress& address, int result, const std::string& status);
    void find();
    void found(const nbp::NbpTuple& tuple);
    Duration timeLeft() const;
    void succeed(const DdpAddress& address, const std::string& status);
    void fail();
    void end();

    NetworkOperations& network_;
    const Clock& clock_;
    _DispatchBlock* block_;
    std::uint32_t id_;
    Finished finished_;
    _NBPTuple printer_;
    SteadyTime deadline_{};
    bool foundByName_ = false;
    bool unreadable_ = false; // an answer on the way could not be read
    OperationId operation_ = 0;
    // The start callback cannot be withdrawn: it finds this gone once the request is.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace appletalk::runtime
