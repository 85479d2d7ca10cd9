#include "appletalk/services/pap/PapOutbox.h"

#include "appletalk/protocols/pap/PapPacket.h"

#include <algorithm>
#include <bit>

namespace appletalk {

PapOutbox::PapOutbox(AtpResponder& responder, std::uint8_t connectionId)
    : responder_(responder), connectionId_(connectionId) {}

void PapOutbox::write(std::span<const std::uint8_t> bytes) {
    if (finishing_ || bytes.empty()) return;
    // The consumed front is dropped only once it outweighs what is left, so appending and
    // handing out stay linear in the bytes moved.
    if (readOffset_ > 0 && readOffset_ >= buffer_.size() - readOffset_) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(readOffset_));
        readOffset_ = 0;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    answerPending();
}

void PapOutbox::finish() {
    if (finishing_) return;
    finishing_ = true;
    answerPending();
}

AtpAnswer PapOutbox::onSendData(const AtpIncomingRequest& request, std::uint16_t sequence) {
    if (sequence != 0 && sequence == lastSequence_ && !lastAnswer_.empty()) return AtpAnswer::reply(lastAnswer_);
    if (sequence != 0 && pending_ && sequence == pendingSequence_) return AtpAnswer::ignore();
    const std::size_t packets = packetsFor(request.bitmap);
    if (packets == 0) return AtpAnswer::ignore();
    if (canAnswer(packets)) {
        lastSequence_ = sequence;
        lastAnswer_ = takePackets(packets);
        if (drained_) drained_();
        return AtpAnswer::reply(lastAnswer_);
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
    lastAnswer_ = takePackets(packets);
    responder_.respond(request, lastAnswer_);
    if (drained_) drained_();
}

bool PapOutbox::canAnswer(std::size_t packets) const {
    return finishing_ || queuedBytes() >= packets * pap::kMaxDataPerPacket;
}

std::vector<atp::AtpPayload> PapOutbox::takePackets(std::size_t packets) {
    std::vector<atp::AtpPayload> answer;
    for (std::size_t i = 0; i < packets; ++i) {
        const std::size_t size = std::min(queuedBytes(), pap::kMaxDataPerPacket);
        const auto* begin = buffer_.data() + readOffset_;
        readOffset_ += size;
        bytesSent_ += size;
        const bool eof = finishing_ && queuedBytes() == 0;
        answer.push_back(*pap::PapPacket::dataPacket(connectionId_, {begin, begin + size}, eof).serialize());
        if (eof) {
            eofSent_ = true;
            break;
        }
    }
    if (queuedBytes() == 0) {
        buffer_.clear();
        readOffset_ = 0;
    }
    return answer;
}

std::size_t PapOutbox::packetsFor(std::uint8_t bitmap) {
    // Buffers are asked for from sequence 0 up; a gap ends what may be filled in order.
    return static_cast<std::size_t>(std::countr_one(bitmap));
}

} // namespace appletalk
