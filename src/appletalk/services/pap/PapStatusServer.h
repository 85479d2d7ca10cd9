// SPDX-License-Identifier: MIT
// The printer's side of PAP status: on its server listening socket (SLS) it answers every
// SendStatus, at-least-once or exactly-once, with the current status text. The text may change
// at any time; the server can stop answering (a printer switched off or hung) or answer late
// (a busy printer). Other PAP requests on the SLS go to an optional handler, so a fuller
// printer can sit on the same socket.
#pragma once

#include "appletalk/node/Node.h"
#include "appletalk/services/atp/AtpResponder.h"

#include <cstdint>
#include <set>
#include <string>

namespace appletalk {

class PapStatusServer {
public:
    // Opens `socket` (0: a dynamic one) as the SLS; isOpen() tells whether that worked. A
    // status over 255 bytes cannot be sent: the server starts with an empty one instead.
    PapStatusServer(Node& node, std::uint8_t socket, std::string status);
    ~PapStatusServer();
    PapStatusServer(const PapStatusServer&) = delete;
    PapStatusServer& operator=(const PapStatusServer&) = delete;

    bool isOpen() const { return responder_.isOpen(); }
    std::uint8_t socket() const { return responder_.socket(); }

    const std::string& status() const { return status_; }
    // Mac OS Roman; false (and the text unchanged) when over 255 bytes.
    bool setStatus(std::string status);

    void setAnswering(bool answering) { answering_ = answering; }
    bool isAnswering() const { return answering_; }
    // Each answer waits this long; the text sent is the one current when it leaves.
    void setResponseDelay(Duration delay) { delay_ = delay; }

    // Every request on the SLS that is not SendStatus (OpenConn...). Without one they are ignored.
    void setOtherRequestHandler(AtpResponder::Handler handler) { other_ = std::move(handler); }

    std::uint64_t statusRequests() const { return statusRequests_; }
    const AtpResponder& responder() const { return responder_; }

private:
    AtpAnswer handle(const AtpIncomingRequest& request);
    std::vector<atp::AtpPayload> statusReply() const;

    Node& node_;
    std::string status_;
    bool answering_ = true;
    Duration delay_{};
    AtpResponder::Handler other_;
    std::set<TimerId> delayed_;
    std::uint64_t statusRequests_ = 0;
    AtpResponder responder_; // last: its handler uses the members above
};

} // namespace appletalk
