// SPDX-License-Identifier: MIT
#include "appletalk/runtime/PrinterStatusRequest.h"

#include "appletalk/runtime/ApiResults.h"
#include "tarvlib/DispatchBlockAccess.h"
#include "tarvlib/NameFields.h"

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

PrinterStatusRequest::PrinterStatusRequest(NetworkOperations& network, _DispatchBlock& block, std::uint32_t id,
                                           Finished finished)
    : network_(network),
      block_(&block),
      id_(id),
      finished_(std::move(finished)),
      printer_(DispatchBlockAccess::readTuple(block, DB_STATUS_TUPLE_OFFSET)) {}

PrinterStatusRequest::~PrinterStatusRequest() { cancel(); }

void PrinterStatusRequest::start() {
    const DdpAddress address = addressOf(printer_);
    if (isUsable(address))
        askAt(address);
    else
        findAgain();
}

void PrinterStatusRequest::cancel() {
    if (operation_ != 0) network_.cancel(operation_);
    operation_ = 0;
    finished_ = nullptr;
    block_ = nullptr;
}

void PrinterStatusRequest::askAt(const DdpAddress& address) {
    askedAt_ = address;
    operation_ = network_.papStatus(address, [this, address](int result, const std::string& status) {
        operation_ = 0;
        answered(address, result, status);
    });
}

void PrinterStatusRequest::answered(const DdpAddress& address, int result, const std::string& status) {
    if (result == kErrBadReply) unreadable_ = true;
    if (result == kOk)
        succeed(address, status);
    else if (!searched_)
        findAgain();
    else
        fail();
}

void PrinterStatusRequest::findAgain() {
    searched_ = true;
    const nbp::NbpName name = lookupNameOf(printer_);
    if (!name.isValidPattern()) {
        fail();
        return;
    }
    const LookupParameters parameters{kFindInterval, kFindRetries, 1};
    operation_ = network_.lookup(
        name, parameters, [this](const nbp::NbpTuple& tuple) { found(tuple); },
        [this](int status) {
            operation_ = 0;
            lookupEnded(status);
        });
}

void PrinterStatusRequest::found(const nbp::NbpTuple& tuple) {
    if (movedFound_) return;
    const DdpAddress address{tuple.network, tuple.node, tuple.socket};
    // Found where it did not answer: asking again there would only repeat the silence.
    if (address == askedAt_ && isUsable(askedAt_)) return;
    movedFound_ = true;
    network_.cancel(operation_);
    askAt(address);
}

void PrinterStatusRequest::lookupEnded(int status) {
    if (status == kErrBadReply) unreadable_ = true;
    if (!movedFound_) fail();
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
