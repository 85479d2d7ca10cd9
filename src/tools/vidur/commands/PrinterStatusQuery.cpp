// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/PrinterStatusQuery.h"

#include "tarvlib/DispatchBlockAccess.h"
#include "tarvlib/TarvlibApi.h"
#include "tools/vidur/cli/LibraryStatus.h"
#include "tools/vidur/cli/StopSignal.h"

#include <thread>

namespace vidur::cli {

using appletalk::api::DispatchBlockAccess;

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(20);
constexpr auto kEndWait = std::chrono::seconds(5);

} // namespace

PrinterStatusQuery::PrinterStatusQuery() {
    allocationStatus_ = MPPAlloc(&status_, 0);
    if (allocationStatus_ == 0) allocationStatus_ = MPPAlloc(&end_, 0);
    if (allocationStatus_ == 0 && (status_ == nullptr || end_ == nullptr)) allocationStatus_ = -7;
}

PrinterStatusQuery::~PrinterStatusQuery() {
    end();
    // MPPFree also forgets any request of the block, should the end request not have finished.
    if (status_ != nullptr) MPPFree(status_);
    if (end_ != nullptr) MPPFree(end_);
}

PrinterStatusQuery::Answer PrinterStatusQuery::ask(const _NBPTuple& printer, std::chrono::milliseconds timeout,
                                                   const StopSignal* stop) {
    Answer answer;
    if (allocationStatus_ != 0) {
        answer.status = allocationStatus_;
        return answer;
    }
    DispatchBlockAccess::writeTuple(*status_, DB_STATUS_TUPLE_OFFSET, printer);
    DispatchBlockAccess::prepareRequest(*status_, ATALK_CMD_PRINTER_STATUS);
    const int dispatched = ATALKDispatch(status_);
    if (dispatched < 0) {
        answer.status = dispatched;
        return answer;
    }
    dispatched_ = true;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int result = DispatchBlockAccess::loadResult(*status_);
    while (result == 1 && std::chrono::steady_clock::now() < deadline) {
        if (stop == nullptr)
            std::this_thread::sleep_for(kPollInterval);
        else if (stop->waitFor(static_cast<int>(kPollInterval.count())))
            break;
        result = DispatchBlockAccess::loadResult(*status_);
    }
    if (result == 1)
        answer.status = LibraryStatus::kTimedOut;
    else if (result < 0)
        answer.status = result;
    else {
        answer.text = DispatchBlockAccess::readText(*status_, DB_STATUS_TEXT_OFFSET, DB_STATUS_TEXT_SIZE);
        answer.printer = DispatchBlockAccess::readTuple(*status_, DB_STATUS_TUPLE_OFFSET);
    }
    return answer;
}

void PrinterStatusQuery::end() {
    if (!dispatched_ || allocationStatus_ != 0) return;
    dispatched_ = false;
    // The end request names the status request by the value the library left in its block.
    DispatchBlockAccess::writeU32(*end_, DB_REQUEST_ID_OFFSET,
                                  DispatchBlockAccess::readU32(*status_, DB_REQUEST_ID_OFFSET));
    DispatchBlockAccess::prepareRequest(*end_, ATALK_CMD_END_PRINTER);
    if (ATALKDispatch(end_) < 0) return;
    const auto deadline = std::chrono::steady_clock::now() + kEndWait;
    while (DispatchBlockAccess::loadResult(*end_) == 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(kPollInterval);
}

} // namespace vidur::cli
