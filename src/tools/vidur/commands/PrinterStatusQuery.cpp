#include "tools/vidur/PrinterStatusQuery.h"

#include "appletalk/api/TarvlibApi.h"
#include "tools/vidur/DispatchBlockView.h"
#include "tools/vidur/LibraryStatus.h"
#include "tools/vidur/StopSignal.h"

#include <thread>

namespace vidur::cli {

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
    DispatchBlockView view(*status_);
    view.setTuple(DB_STATUS_TUPLE_OFFSET, printer);
    view.prepare(ATALK_CMD_PRINTER_STATUS);
    const int dispatched = ATALKDispatch(status_);
    if (dispatched < 0) {
        answer.status = dispatched;
        return answer;
    }
    dispatched_ = true;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int result = view.result();
    while (result == 1 && std::chrono::steady_clock::now() < deadline) {
        if (stop == nullptr) std::this_thread::sleep_for(kPollInterval);
        else if (stop->waitFor(static_cast<int>(kPollInterval.count()))) break;
        result = view.result();
    }
    if (result == 1) answer.status = LibraryStatus::kTimedOut;
    else if (result < 0) answer.status = result;
    else {
        answer.text = view.text(DB_STATUS_TEXT_OFFSET, DB_STATUS_TEXT_SIZE);
        answer.printer = view.tuple(DB_STATUS_TUPLE_OFFSET);
    }
    return answer;
}

void PrinterStatusQuery::end() {
    if (!dispatched_ || allocationStatus_ != 0) return;
    dispatched_ = false;
    DispatchBlockView endView(*end_);
    // The end request names the status request by the value the library left in its block.
    endView.setU32(DB_REQUEST_ID_OFFSET, DispatchBlockView(*status_).u32(DB_REQUEST_ID_OFFSET));
    endView.prepare(ATALK_CMD_END_PRINTER);
    if (ATALKDispatch(end_) < 0) return;
    const auto deadline = std::chrono::steady_clock::now() + kEndWait;
    while (endView.result() == 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(kPollInterval);
}

} // namespace vidur::cli
