// SPDX-License-Identifier: MIT
// The printer's end of PAP jobs, beside its status server on the server listening socket:
// OpenConn opens a connection when no job is running (the printer's responding socket and
// flow quantum in the reply); while one runs, every other OpenConn is answered busy with the
// status text, and its workstation asks again. The job's bytes are pulled with SendData and
// handed to the owner in order, exactly once, paused while the owner cannot take more; what
// the owner writes goes back to the workstation at once, and finish() sends the printer's EOF.
#pragma once

#include "appletalk/services/pap/PapConnection.h"
#include "appletalk/services/pap/PapStatusServer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace appletalk {

class PapServerJob {
public:
    PapServerJob(Node& node, PapConnectionOptions options, DdpAddress workstation)
        : connection_(node, options), workstation_(workstation) {}

    DdpAddress workstation() const { return workstation_; }
    std::uint64_t bytesReceived() const { return connection_.bytesReceived(); }
    bool workstationFinished() const { return connection_.peerHasFinished(); }

    // Back to the workstation (PostScript messages such as "%%[ Error: ... ]%%").
    void write(std::span<const std::uint8_t> bytes) { connection_.outbox().write(bytes); }
    // Stops asking for the job's bytes, and asks again (flow control).
    void pauseReceiving() { connection_.pauseReceiving(); }
    void resumeReceiving() { connection_.resumeReceiving(); }
    // The printer's EOF, after what was written.
    void finish() { connection_.outbox().finish(); }
    // Goes silent at once: no answers, no tickles, no CloseConn (a printer switched off).
    void abandon() { connection_.abandon(); }
    void close() { connection_.close(); }

    PapConnection& connection() { return connection_; }

private:
    PapConnection connection_;
    DdpAddress workstation_;
};

struct PapServerEvents {
    std::function<void(PapServerJob&)> started;
    std::function<void(PapServerJob&, std::span<const std::uint8_t>)> data;
    std::function<void(PapServerJob&)> endOfJob; // the workstation's EOF
    // The connection is over: closed, closed by the workstation, timed out or abandoned.
    // `complete` tells whether the workstation's EOF had come. The job goes right after.
    std::function<void(PapServerJob&, bool complete)> ended;
};

class PapServer {
public:
    // Takes over the status server's other requests (OpenConn); both live on the same node.
    PapServer(Node& node, PapStatusServer& statusServer, PapServerEvents events, PapConnectionOptions options = {});
    ~PapServer();
    PapServer(const PapServer&) = delete;
    PapServer& operator=(const PapServer&) = delete;

    bool isBusy() const { return job_ != nullptr; }
    // False: every OpenConn is answered busy, as a printer held by something other than PAP.
    void setTakingJobs(bool taking) { takingJobs_ = taking; }
    // Asked before a job is let in while none runs: false answers busy (a server that holds
    // as many jobs as it allows). Without one every OpenConn is welcome when idle.
    void setAdmission(std::function<bool()> admits) { admits_ = std::move(admits); }
    PapServerJob* job() { return job_.get(); }
    // Abandons the running job (the printer went silent); the next OpenConn is welcome.
    void abandonJob();

    std::uint64_t busyAnswers() const { return busyAnswers_; }

private:
    AtpAnswer handle(const AtpIncomingRequest& request);
    void jobEnded();

    Node& node_;
    PapStatusServer& statusServer_;
    PapServerEvents events_;
    PapConnectionOptions options_;
    std::function<bool()> admits_;
    std::unique_ptr<PapServerJob> job_;
    std::unique_ptr<PapServerJob> ending_; // destroyed from a timer, outside its own calls
    TimerId reaper_ = 0;
    std::uint64_t busyAnswers_ = 0;
    bool takingJobs_ = true;
};

} // namespace appletalk
