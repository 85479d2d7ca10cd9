// SPDX-License-Identifier: MIT
#include "appletalk/services/pap/PapStatusClient.h"

#include "appletalk/protocols/pap/PapHeader.h"
#include "appletalk/protocols/pap/PapStatus.h"

#include <utility>

namespace appletalk {

PapStatusClient::PapStatusClient(Node& node, PapStatusOptions options) : options_(options), requester_(node) {}

bool PapStatusClient::start(DdpAddress serverListeningSocket, Completion completion) {
    if (isRunning() || !requester_.isOpen()) return false;
    const AtpRequestOptions atp{
        .exactlyOnce = true, .bitmap = 0x01, .retryInterval = options_.retryInterval, .retries = options_.retries};
    transaction_ = requester_.send(serverListeningSocket, {pap::PapHeader::sendStatus().serialize(), {}}, atp,
                                   [this](const AtpResult& result) { handle(result); });
    if (transaction_ == 0) return false;
    result_ = PapStatusResult::Running;
    completion_ = std::move(completion);
    return true;
}

void PapStatusClient::cancel() {
    if (!isRunning()) return;
    requester_.cancel(transaction_);
    transaction_ = 0;
    completion_ = nullptr;
    result_ = PapStatusResult::Cancelled;
}

void PapStatusClient::handle(const AtpResult& result) {
    transaction_ = 0;
    if (result.status == AtpStatus::Timeout) return finish(PapStatusResult::NoResponse);
    if (result.status == AtpStatus::BadReply) return finish(PapStatusResult::BadReply);
    if (result.status != AtpStatus::Ok) return finish(PapStatusResult::Failed);
    if (result.packets.empty()) return finish(PapStatusResult::BadReply);
    const auto header = pap::PapHeader::parse(result.packets[0].userBytes);
    const auto status = pap::PapStatus::parse(result.packets[0].data);
    if (!header || header->function != pap::PapFunction::Status || !status) return finish(PapStatusResult::BadReply);
    text_ = status->status;
    finish(PapStatusResult::Ok);
}

void PapStatusClient::finish(PapStatusResult result) {
    result_ = result;
    Completion completion = std::move(completion_);
    completion_ = nullptr;
    // Last: the completion may start the next query or destroy this client.
    if (completion) completion(result);
}

} // namespace appletalk
