// SPDX-License-Identifier: MIT
// One open PAP connection, the same on both ends: what we write goes out through a PapOutbox
// when the other end asks with SendData; what the other end writes we ask for with our own
// SendData (exactly-once, resent every 15 s for as long as the connection lives, sequence
// numbers 1..65535 and round again), until its EOF; an answer with nothing usable in it is
// asked again only after those 15 s. Tickles go out every half connection
// timeout; anything heard from the other end keeps the connection alive, and two minutes of
// silence end it. CloseConn from either end ends it; ours is answered or given up after a few
// tries.
//
// The requesting and responding sockets are opened when the object is made, so a workstation
// can name its responding socket in OpenConn before the connection starts.
#pragma once

#include "appletalk/node/Node.h"
#include "appletalk/services/atp/AtpRequester.h"
#include "appletalk/services/atp/AtpResponder.h"
#include "appletalk/services/pap/PapOutbox.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

namespace appletalk {

struct PapConnectionOptions {
    std::uint8_t flowQuantum = 8; // 512-byte buffers we ask for with each SendData
    Duration connectionTimeout = std::chrono::minutes(2);
    Duration sendDataRetry = std::chrono::seconds(15);
    Duration closeRetry = std::chrono::seconds(2);
    int closeRetries = 2;
};

enum class PapConnectionEnd {
    Closed, // our CloseConn went out (answered or not)
    ClosedByPeer, // the other end's CloseConn
    TimedOut, // nothing heard for the connection timeout
};

struct PapConnectionEvents {
    std::function<void(std::span<const std::uint8_t>)> received; // the other end's bytes, in order, once each
    std::function<void()> peerFinished; // its EOF
    std::function<void()> drained; // room in our outbox
    std::function<void(PapConnectionEnd)> ended; // once; the last event
};

class PapConnection {
public:
    PapConnection(Node& node, PapConnectionOptions options = {});
    ~PapConnection();
    PapConnection(const PapConnection&) = delete;
    PapConnection& operator=(const PapConnection&) = delete;

    bool isOpen() const { return requester_.isOpen() && responder_ && responder_->isOpen(); }
    std::uint8_t respondingSocket() const { return responder_ ? responder_->socket() : 0; }
    AtpRequester& requester() { return requester_; }

    // Starts talking to the other end's responding socket. Requests from any socket of its
    // node with our connection id are taken as its own.
    void start(std::uint8_t connectionId, DdpAddress peer, PapConnectionEvents events);
    bool isRunning() const { return running_; }

    // After start() only.
    PapOutbox& outbox() { return *outbox_; }
    // Null before start().
    const PapOutbox* startedOutbox() const { return outbox_.get(); }
    bool peerHasFinished() const { return peerFinished_; }
    std::uint64_t bytesReceived() const { return bytesReceived_; }

    // Stops asking the other end for data while the owner cannot take more (its buffer is
    // full); tickles keep the connection alive meanwhile. resume asks again.
    void pauseReceiving() { receivePaused_ = true; }
    void resumeReceiving();
    bool isReceivePaused() const { return receivePaused_; }

    // Sends CloseConn; `ended(Closed)` follows once it is answered or the tries run out.
    void close();
    // Stops at once without a word to the other end (a printer switched off).
    void abandon();

private:
    AtpAnswer handle(const AtpIncomingRequest& request);
    void askForData();
    void dataArrived(const AtpResult& result);
    void heard();
    void armTimeout();
    void end(PapConnectionEnd how);
    void endLater(PapConnectionEnd how);
    void stopTraffic();

    Node& node_;
    PapConnectionOptions options_;
    AtpRequester requester_;
    std::unique_ptr<AtpResponder> responder_;
    std::unique_ptr<PapOutbox> outbox_;
    PapConnectionEvents events_;
    std::uint8_t connectionId_ = 0;
    DdpAddress peer_;
    bool running_ = false;
    bool started_ = false;
    std::optional<AtpIncomingRequest> early_; // a SendData that came before start()
    bool closing_ = false;
    bool peerFinished_ = false;
    bool receivePaused_ = false;
    std::uint16_t sequence_ = 0;
    std::uint64_t bytesReceived_ = 0;
    AtpRequester::Handle sendData_ = 0;
    AtpRequester::Handle tickle_ = 0;
    SteadyTime lastHeard_{};
    TimerId timeout_ = 0;
    TimerId deferredEnd_ = 0;
    TimerId nextAsk_ = 0; // a SendData held back after an answer with nothing in it
};

} // namespace appletalk
