// SPDX-License-Identifier: MIT
#include "appletalk/services/pap/PapOutbox.h"

#include "appletalk/protocols/pap/PapHeader.h"

#include <algorithm>
#include <bit>

namespace appletalk {

PapOutbox::PapOutbox(AtpResponder& responder, std::uint8_t connectionId)
    : responder_(responder), connectionId_(connectionId) {}

void PapOutbox::write(std::span<const std::uint8_t> bytes) {
    if (finishing_ || bytes.empty()) return;
    compact();
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    answerPending();
}

void PapOutbox::compact() {
    // The front that is no longer needed (handed out, and not the last answer) is dropped only
    // once it outweighs what is kept, so appending and handing out stay linear.
    const std::size_t keepFrom = hasLastAnswer_ ? lastBegin_ : readOffset_;
    if (keepFrom == 0 || keepFrom < buffer_.size() - keepFrom) return;
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(keepFrom));
    readOffset_ -= keepFrom;
    lastBegin_ -= keepFrom;
}

void PapOutbox::write(std::vector<std::uint8_t>&& bytes) {
    if (finishing_ || bytes.empty()) return;
    if (queuedBytes() != 0 || hasLastAnswer_) return write(std::span<const std::uint8_t>(bytes));
    buffer_ = std::move(bytes);
    readOffset_ = 0;
    answerPending();
}

void PapOutbox::finish() {
    if (finishing_) return;
    finishing_ = true;
    answerPending();
}

AtpAnswer PapOutbox::onSendData(const AtpIncomingRequest& request, std::uint16_t sequence) {
    if (sequence != 0 && sequence == lastSequence_ && hasLastAnswer_)
        return AtpAnswer::reply(packetsOf(lastBegin_, readOffset_, lastEof_));
    if (sequence != 0 && pending_ && sequence == pendingSequence_) return AtpAnswer::ignore();
    // After EOF there is nothing to ask for: a lost answer comes back through the repeat above
    // or ATP's exactly-once cache, so a new SendData is a broken peer's, and answering every
    // one would let it drive this end as fast as it asks.
    if (eofSent_) return AtpAnswer::ignore();
    const std::size_t packets = packetsFor(request.bitmap);
    if (packets == 0) return AtpAnswer::ignore();
    if (canAnswer(packets)) {
        lastSequence_ = sequence;
        auto answer = takePackets(packets);
        if (drained_) drained_();
        return AtpAnswer::reply(std::move(answer));
    }
    // A newer SendData replaces one still waiting: the other end has moved on from it.
    pending_ = request;
    pendingSequence_ = sequence;
    return AtpAnswer::later();
}

void PapOutbox::answerPending() {
    if (!pending_) return;
    const std::size_t packets = packetsFor(pending_->bitmap);
    if (!canAnswer(packets)) return;
    const AtpIncomingRequest request = std::move(*pending_);
    pending_.reset();
    lastSequence_ = pendingSequence_;
    responder_.respond(request, takePackets(packets));
    if (drained_) drained_();
}

bool PapOutbox::canAnswer(std::size_t packets) const {
    return finishing_ || (eager_ && queuedBytes() > 0) || queuedBytes() >= packets * pap::kMaxDataPerPacket;
}

std::vector<atp::AtpPayload> PapOutbox::takePackets(std::size_t packets) {
    const std::size_t begin = readOffset_;
    const std::size_t size = std::min(queuedBytes(), packets * pap::kMaxDataPerPacket);
    readOffset_ += size;
    bytesSent_ += size;
    const bool eof = finishing_ && queuedBytes() == 0;
    if (eof) eofSent_ = true;
    hasLastAnswer_ = true;
    lastBegin_ = begin;
    lastEof_ = eof;
    return packetsOf(begin, readOffset_, eof);
}

std::vector<atp::AtpPayload> PapOutbox::packetsOf(std::size_t begin, std::size_t end, bool eof) const {
    std::vector<atp::AtpPayload> answer;
    answer.reserve((end - begin) / pap::kMaxDataPerPacket + 1);
    do {
        const std::size_t size = std::min(end - begin, pap::kMaxDataPerPacket);
        const auto* bytes = buffer_.data() + begin;
        begin += size;
        const bool last = begin == end;
        answer.push_back({pap::PapHeader::data(connectionId_, eof && last).serialize(), {bytes, bytes + size}});
    } while (begin < end);
    return answer;
}

std::size_t PapOutbox::packetsFor(std::uint8_t bitmap) {
    // Buffers are asked for from sequence 0 up; a gap ends what may be filled in order.
    return static_cast<std::size_t>(std::countr_one(bitmap));
}

} // namespace appletalk
