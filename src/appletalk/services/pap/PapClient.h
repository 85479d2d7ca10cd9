// SPDX-License-Identifier: MIT
// The workstation's end of a PAP print job. open() sends OpenConn to the printer's server
// listening socket with our responding socket, our flow quantum and how long we have waited;
// a busy printer is asked again every 2 s (its status text reported each time) until it takes
// the job or the caller cancels. Once open, the job's bytes go out as the printer asks for
// them, what the printer writes back comes in as messages, and the job is done when the
// printer has taken our EOF and sent its own; the connection is then closed with CloseConn.
// Everything runs on the node's thread.
#pragma once

#include "appletalk/services/pap/PapConnection.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace appletalk {

enum class PapJobResult {
    Done, // every byte taken, the printer's EOF received
    Unreachable, // OpenConn was never answered
    Refused, // OpenConn answered with an error other than busy
    BadReply, // OpenConn answered with a reply that cannot be read or names no socket
    ConnectionLost, // nothing heard from the printer for the connection timeout
    ClosedByPrinter, // the printer closed the connection before the job was done
    Cancelled,
};

struct PapClientOptions {
    PapConnectionOptions connection;
    Duration openRetryInterval = std::chrono::seconds(2);
    int openRetries = 4; // five tries of one OpenConn
    Duration busyRetryInterval = std::chrono::seconds(2);
};

struct PapClientEvents {
    std::function<void(const std::string& status)> busy; // Mac OS Roman
    std::function<void()> opened;
    std::function<void(std::span<const std::uint8_t>)> message; // what the printer writes back
    std::function<void()> drained; // the printer took some of the job
    std::function<void(PapJobResult)> finished; // once; the last event
};

class PapClient {
public:
    enum class State { Idle, Opening, Open, Closing, Finished };

    explicit PapClient(Node& node, PapClientOptions options = {});
    ~PapClient();
    PapClient(const PapClient&) = delete;
    PapClient& operator=(const PapClient&) = delete;

    // False when already started or no sockets could be opened.
    bool open(DdpAddress serverListeningSocket, PapClientEvents events);
    // The job's bytes, before or after the connection opens; finish() after the last.
    void write(std::span<const std::uint8_t> bytes);
    void finish();
    // Ends the job: CloseConn when open, then finished(Cancelled).
    void cancel();

    State state() const { return state_; }
    std::uint64_t bytesSent() const;
    std::size_t queuedBytes() const;
    // The printer has taken our EOF: the whole job is in its hands.
    bool eofTaken() const;
    std::uint64_t bytesReceived() const { return connection_->bytesReceived(); }

private:
    void sendOpen();
    void openAnswered(const AtpResult& result);
    void checkDone();
    void connectionEnded(PapConnectionEnd how);
    void finishWith(PapJobResult result);

    Node& node_;
    PapClientOptions options_;
    std::unique_ptr<PapConnection> connection_;
    PapClientEvents events_;
    State state_ = State::Idle;
    DdpAddress sls_;
    std::uint8_t connectionId_ = 0;
    SteadyTime firstTry_{};
    AtpRequester::Handle openTransaction_ = 0;
    TimerId busyTimer_ = 0;
    TimerId finishTimer_ = 0;
    std::vector<std::uint8_t> early_; // written before the connection opened
    bool finishing_ = false;
    PapJobResult pendingResult_ = PapJobResult::Done;
};

} // namespace appletalk
