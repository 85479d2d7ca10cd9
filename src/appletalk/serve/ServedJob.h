// SPDX-License-Identifier: MIT
// One PAP connection on a published printer, from OpenConn to its end. Its first lines say
// what it is: a query job is kept whole, answered from the printer's description and never
// printed; any other job is handed to the destination as it arrives, its title and user from
// its header comments. The workstation hears on the back channel what the destination says,
// and gets the printer's EOF only once the destination has taken the whole job; a job the
// destination fails, that grows past the size limit or stalls is cancelled there, the
// workstation told with a PostScript error and the rest of its bytes read and dropped.
#pragma once

#include "appletalk/serve/JobDestination.h"
#include "appletalk/serve/JobHeader.h"
#include "appletalk/serve/PrinterDescription.h"
#include "appletalk/serve/ServeLimits.h"
#include "appletalk/services/pap/PapServer.h"

#include <functional>
#include <memory>
#include <string>

namespace appletalk::serve {

// How a job ended, for the log.
struct JobRecord {
    JobTicket ticket;
    bool query = false;
    std::uint64_t bytes = 0; // received from the workstation
    bool printed = false; // the destination took it whole
    std::string outcome; // Mac OS Roman: the destination's word, or why the job ended
    Duration elapsed{}; // from OpenConn to the connection's end
};

class ServedJob {
public:
    // `changed` runs when what the status text shows may have changed (title known, job over).
    ServedJob(Node& node, PapServerJob& connection, std::shared_ptr<JobDestination> destination,
              const PrinterDescription& description, const ServeLimits& limits, std::function<void()> changed);
    ~ServedJob(); // an unfinished job is cancelled at its destination
    ServedJob(const ServedJob&) = delete;
    ServedJob& operator=(const ServedJob&) = delete;

    void received(std::span<const std::uint8_t> bytes);
    void workstationFinished();
    // The connection is over; the record is final. No more calls follow but destruction.
    void connectionEnded(bool complete);
    // The server is going away: the destination's job is cancelled, the workstation told,
    // and the connection closed.
    void stop();

    bool isQuery() const { return record_.query; }
    // The header has been read (title and user known).
    bool isIdentified() const { return phase_ != Phase::Header; }
    const JobRecord& record() const { return record_; }

private:
    enum class Phase { Header, Query, Printing, Flushing, Answered };

    void readHeader(bool whole);
    void startPrinting();
    void hand(std::vector<std::uint8_t> bytes);
    void taken(std::uint64_t bytes);
    void notice(const std::string& message);
    void destinationFinished(const JobReport& report);
    // Cancels the destination's job, tells the workstation and drops the rest of the job.
    void fail(const std::string& why);
    void answerQuery();
    void say(const std::string& text);
    void finishIfDone();
    void watchIdle();
    void startVerdictTimer();

    Node& node_;
    PapServerJob& connection_;
    std::shared_ptr<JobDestination> destination_; // kept while the job runs, whatever the queue becomes
    const PrinterDescription& description_;
    const ServeLimits& limits_;
    std::function<void()> changed_;
    Phase phase_ = Phase::Header;
    std::string head_; // the header's bytes; the whole job once it is a query
    std::unique_ptr<JobSink> sink_;
    std::uint64_t handed_ = 0;
    std::uint64_t taken_ = 0;
    bool paused_ = false;
    bool workstationDone_ = false;
    bool sinkFinished_ = false;
    bool ended_ = false;
    std::string lastNotice_;
    SteadyTime started_;
    SteadyTime lastHeard_;
    TimerId idleTimer_ = 0;
    TimerId verdictTimer_ = 0;
    JobRecord record_;
};

} // namespace appletalk::serve
