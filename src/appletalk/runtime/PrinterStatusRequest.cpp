// SPDX-License-Identifier: MIT
#include "appletalk/runtime/PrinterStatusRequest.h"

#include "appletalk/runtime/ApiResults.h"
#include "tarvlib/DispatchBlockAccess.h"
#include "tarvlib/NameFields.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace appletalk::runtime {

using api::DispatchBlockAccess;
using api::fieldText;

namespace {

DdpAddress addressOf(const _NBPTuple& tuple) {
    return {tuple.address.network, tuple.address.nodeID, tuple.address.socket};
}

// Node 0 or 255 and socket 0 or 255 name no one printer: a tuple that was never resolved.
bool isUsable(const DdpAddress& address) {
    return address.node != 0 && address.node != 0xFF && address.socket != 0 && address.socket != 0xFF;
}

// The printer's name as a look-up pattern; a tuple with no zone names the node's own.
nbp::NbpName lookupNameOf(const _NBPTuple& tuple) {
    const std::string_view zone = fieldText(tuple.entity.zone);
    return {std::string(fieldText(tuple.entity.object)), std::string(fieldText(tuple.entity.type)),
            zone.empty() ? std::string(1, nbp::NbpName::kMyZone) : std::string(zone)};
}

} // namespace

PrinterStatusRequest::PrinterStatusRequest(NetworkOperations& network, const Clock& clock, _DispatchBlock& block,
                                           std::uint32_t id, Finished finished)
    : network_(network),
      clock_(clock),
      block_(&block),
      id_(id),
      finished_(std::move(finished)),
      printer_(DispatchBlockAccess::readTuple(block, DB_STATUS_TUPLE_OFFSET)) {}

PrinterStatusRequest::~PrinterStatusRequest() { cancel(); }

void PrinterStatusRequest::start() {
    // Nothing is asked of a stack that is still starting: its first look-up or status try
    // would fail for want of an address or a router, not for want of a printer.
    network_.whenStarted([this, alive = std::weak_ptr<bool>(alive_)](bool ok) {
        if (!alive.lock() || isFinished()) return;
        if (ok) {
            begin();
        } else if (network_.startFailure() != 0) {
            DispatchBlockAccess::publishResult(*block_, network_.startFailure());
            end();
        } else {
            fail();
        }
    });
}

void PrinterStatusRequest::begin() {
    deadline_ = clock_.now() + kAnswerBudget;
    const DdpAddress address = addressOf(printer_);
    if (isUsable(address))
        askAt(address, Duration::zero());
    else
        find();
}

void PrinterStatusRequest::cancel() {
    if (operation_ != 0) network_.cancel(operation_);
    operation_ = 0;
    finished_ = nullptr;
    block_ = nullptr;
}

Duration PrinterStatusRequest::timeLeft() const { return deadline_ - clock_.now(); }

void PrinterStatusRequest::askAt(const DdpAddress& address, Duration patience) {
    operation_ = network_.papStatus(address, patience, [this, address](int result, const std::string& status) {
        operation_ = 0;
        answered(address, result, status);
    });
}

void PrinterStatusRequest::answered(const DdpAddress& address, int result, const std::string& status) {
    if (result == kErrBadReply) unreadable_ = true;
    if (result == kOk)
        succeed(address, status);
    else if (result == kErrBadReply && foundByName_)
        fail(); // the printer named did answer, unreadably: finding it again finds the same one
    else
        find();
}

void PrinterStatusRequest::find() {
    // A look-up is only begun while it can still end within the budget's last second.
    if (timeLeft() < kFindInterval) {
        fail();
        return;
    }
    const nbp::NbpName name = lookupNameOf(printer_);
    if (!name.isValidPattern()) {
        fail();
        return;
    }
    foundByName_ = false;
    // Sent again every interval, with one NBP ID, for as long as the budget allows, so a reply
    // slower than one interval still counts; it ends at the first.
    const int retries = std::max(kFindRetries, static_cast<int>(timeLeft() / kFindInterval) - 1);
    const LookupParameters parameters{kFindInterval, retries, 1};
    const SteadyTime begun = clock_.now();
    operation_ = network_.lookup(
        name, parameters, [this](const nbp::NbpTuple& tuple) { found(tuple); },
        [this, begun](int status) {
            if (status == kErrBadReply) unreadable_ = true;
            // Found: the status query that followed holds operation_ now.
            if (foundByName_) return;
            operation_ = 0;
            // A look-up that ended at once could not be sent; another would only do the same.
            if (clock_.now() == begun)
                fail();
            else
                find();
        });
}

void PrinterStatusRequest::found(const nbp::NbpTuple& tuple) {
    if (foundByName_) return;
    foundByName_ = true;
    // Asked wherever it answered its name, also where it was silent before (the answer may
    // have been lost), for all the time that is left: on a slow network the answer to the
    // first try may come after the usual three.
    askAt(DdpAddress{tuple.network, tuple.node, tuple.socket}, timeLeft());
}

void PrinterStatusRequest::succeed(const DdpAddress& address, const std::string& status) {
    _NBPTuple answered = printer_;
    answered.address.network = address.network;
    answered.address.nodeID = address.node;
    answered.address.socket = address.socket;
    DispatchBlockAccess::writeText(*block_, DB_STATUS_TEXT_OFFSET, DB_STATUS_TEXT_SIZE, status);
    DispatchBlockAccess::writeTuple(*block_, DB_STATUS_TUPLE_OFFSET, answered);
    DispatchBlockAccess::publishResult(*block_, kOk);
    end();
}

void PrinterStatusRequest::fail() {
    DispatchBlockAccess::publishResult(*block_, unreadable_ ? kErrBadReply : kErrNotFound);
    end();
}

void PrinterStatusRequest::end() {
    Finished finished = std::move(finished_);
    finished_ = nullptr;
    block_ = nullptr;
    if (finished) finished(id_);
}

} // namespace appletalk::runtime
