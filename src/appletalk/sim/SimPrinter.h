// SPDX-License-Identifier: MIT
// A simulated printer: registers name:type@* on its server listening socket and answers
// PAP SendStatus (at-least-once or exactly-once) with a status text that may change while it
// runs, cycle on a period, come late or never. It takes PAP jobs one at a time (others are
// answered busy), spools each to a file of its own when it has a spool folder, shows the
// job's title and progress as its status, and can be told to go silent part-way through a
// job or to reject jobs with a PostScript error. It answers PostScript query jobs as a
// LaserWriter would: its product and version, every other query with the query's default.
#pragma once

#include "appletalk/services/pap/PapServer.h"
#include "appletalk/services/pap/PapStatusServer.h"
#include "appletalk/sim/SimDevice.h"
#include "appletalk/sim/SimPrintJob.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace appletalk::sim {

struct PrinterBehaviour {
    std::string name; // Mac OS Roman, 1..32 bytes
    std::string type = "LaserWriter"; // LaserWriter, ImageWriter, LQ, or any
    std::string status = "status: idle";
    std::vector<std::string> statusCycle; // when not empty: shown in turn, one per period
    Duration statusPeriod = std::chrono::seconds(10);
    Duration answerDelay{}; // how long a SendStatus waits for its answer
    bool answers = true; // false: SendStatus is never answered
    std::string spoolDirectory; // empty: jobs are taken and dropped
    std::optional<std::uint64_t> failAfterBytes; // the job's connection goes silent after this many bytes
    std::string rejectError; // not empty: every job gets "%%[ Error: <this> ]%%" and is not kept
    bool busy = false; // busy for ever: every OpenConn is answered busy with the status
    std::string product = "LaserWriter"; // what `statusdict /product get` gives
    std::string version = "23.0"; // what `version` gives
};

class SimPrinter final : public SimDevice {
public:
    SimPrinter(const Clock& clock, LinkFactory links, DevicePlacement placement, PrinterBehaviour behaviour);
    ~SimPrinter() override;

    // Replaces the status text (and stops any cycle) from now on.
    void setStatus(std::string status);
    // What a SendStatus would be answered with now.
    std::string currentStatus() const;
    void setAnswers(bool answers);
    void setAnswerDelay(Duration delay);
    const PrinterBehaviour& behaviour() const { return behaviour_; }
    std::uint64_t statusRequests() const;
    void setSpoolDirectory(std::string directory) { behaviour_.spoolDirectory = std::move(directory); }

    // Jobs whose connection has ended, and the files the complete ones went to.
    struct JobRecord {
        std::string title;
        std::uint64_t bytes = 0;
        bool complete = false; // the workstation's EOF came
        bool rejected = false;
        std::string spoolFile; // empty when not kept
        std::string problem; // why the spool file could not be written
    };
    const std::vector<JobRecord>& jobs() const { return jobs_; }
    // Called with each record as it joins jobs(), on the thread that polls the printer.
    void setJobEnded(std::function<void(const JobRecord&)> ended) { jobEnded_ = std::move(ended); }
    // Query jobs answered (they are not among jobs()).
    std::uint64_t queriesAnswered() const { return queriesAnswered_; }
    bool isPrinting() const { return job_ != nullptr; }

protected:
    std::uint8_t openServices(Node& node) override;
    void closeServices() override;

private:
    PapServerEvents jobEvents();
    void jobData(std::span<const std::uint8_t> bytes);
    void jobEnded(bool complete);
    void answerQueries(PapServerJob& connection);
    void showStatus();
    // Puts the cycle's current text on the server and wakes again at the next change.
    void followCycle();

    PrinterBehaviour behaviour_;
    SteadyTime cycleStart_;
    std::unique_ptr<PapStatusServer> server_;
    std::unique_ptr<PapServer> jobServer_; // after server_: it hooks into it
    std::unique_ptr<SimPrintJob> job_;
    bool jobRejected_ = false;
    std::uint64_t jobsStarted_ = 0;
    std::uint64_t queriesAnswered_ = 0;
    std::vector<JobRecord> jobs_;
    std::function<void(const JobRecord&)> jobEnded_;
    TimerId cycleTimer_ = 0;
    std::uint64_t earlierRequests_ = 0; // answered by servers of earlier visits
};

} // namespace appletalk::sim
