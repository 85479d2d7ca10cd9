// SPDX-License-Identifier: MIT
// What one end of a PAP connection writes: bytes queued by its owner, handed out only when
// the other end asks with SendData, in Data packets of up to 512 bytes (as many as the
// request's bitmap has buffers for), the last with EOF once the owner has finished.
//
// Delivery is exactly once. ATP's exactly-once cache replays an answer to a retransmitted
// TReq; the SendData sequence number covers what that cache no longer holds: a SendData that
// repeats the sequence of the last one answered gets the same packets again, never new bytes.
// A SendData that finds too little queued waits (ATP answer later) until enough is written or
// the owner finishes, so packets go out full. A new SendData after EOF is not answered.
#pragma once

#include "appletalk/services/atp/AtpResponder.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace appletalk {

class PapOutbox {
public:
    PapOutbox(AtpResponder& responder, std::uint8_t connectionId);

    void write(std::span<const std::uint8_t> bytes);
    // The same, taking the buffer over instead of copying it when nothing is queued.
    void write(std::vector<std::uint8_t>&& bytes);
    // No more bytes: the last packet handed out carries EOF.
    void finish();
    bool isFinished() const { return finishing_; }
    // EOF has gone out in an answer.
    bool eofSent() const { return eofSent_; }
    std::size_t queuedBytes() const { return buffer_.size() - readOffset_; }
    // Bytes handed out in answers (each byte once, whatever was replayed).
    std::uint64_t bytesSent() const { return bytesSent_; }

    // Eager: a SendData is answered as soon as anything is queued, not only with full
    // packets. A printer's messages must reach the workstation when they are written.
    void setEager(bool eager) { eager_ = eager; }

    // A SendData with this sequence (0: unsequenced) from the other end.
    AtpAnswer onSendData(const AtpIncomingRequest& request, std::uint16_t sequence);
    // Runs after each answer that took bytes from the queue, so the owner can write more.
    void setDrainedHandler(std::function<void()> drained) { drained_ = std::move(drained); }

private:
    void answerPending();
    bool canAnswer(std::size_t packets) const;
    std::vector<atp::AtpPayload> takePackets(std::size_t packets);
    // The packets of the bytes [begin, end) of the buffer, EOF on the last when `eof`.
    std::vector<atp::AtpPayload> packetsOf(std::size_t begin, std::size_t end, bool eof) const;
    void compact();
    static std::size_t packetsFor(std::uint8_t bitmap);

    AtpResponder& responder_;
    std::uint8_t connectionId_;
    std::vector<std::uint8_t> buffer_;
    std::size_t readOffset_ = 0;
    bool finishing_ = false;
    bool eager_ = false;
    bool eofSent_ = false;
    std::uint64_t bytesSent_ = 0;
    std::optional<AtpIncomingRequest> pending_;
    std::uint16_t pendingSequence_ = 0;
    // The last answer stays in the buffer until a new SendData, so a repeated one is answered
    // with the same bytes without keeping a copy of the packets.
    std::uint16_t lastSequence_ = 0;
    bool hasLastAnswer_ = false;
    std::size_t lastBegin_ = 0;
    bool lastEof_ = false;
    std::function<void()> drained_;
};

} // namespace appletalk
