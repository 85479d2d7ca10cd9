// SPDX-License-Identifier: MIT
// One published printer on the server's node: its server listening socket with the status
// the Macs are shown (the queue's state, or the job being taken), and its PAP server, which
// takes one job at a time and answers others busy so their workstations wait and ask again.
// Its name is registered by the print server once the socket is open.
#pragma once

#include "appletalk/serve/JobDestination.h"
#include "appletalk/serve/PrinterDescription.h"
#include "appletalk/serve/QueueState.h"
#include "appletalk/serve/ServeLimits.h"
#include "appletalk/serve/ServeLog.h"
#include "appletalk/serve/ServedJob.h"
#include "appletalk/services/pap/PapServer.h"
#include "appletalk/services/pap/PapStatusServer.h"

#include <functional>
#include <memory>
#include <string>

namespace appletalk::serve {

// One queue to publish, as the caller knows it.
struct PublishedPrinter {
    std::string queue; // the caller's key (a CUPS queue name)
    nbp::NbpName name; // Mac OS Roman; the zone is "*"
    PrinterDescription description;
    QueueState state;
    std::shared_ptr<JobDestination> destination;
};

class ServedPrinter {
public:
    // `admits` tells whether the server may take one more job; `jobsChanged` runs when a job
    // starts or ends.
    ServedPrinter(Node& node, PublishedPrinter printer, const ServeLimits& limits, ServeLog& log,
                  std::function<bool()> admits, std::function<void()> jobsChanged);
    ~ServedPrinter();
    ServedPrinter(const ServedPrinter&) = delete;
    ServedPrinter& operator=(const ServedPrinter&) = delete;

    bool isOpen() const { return status_.isOpen(); }
    std::uint8_t socket() const { return status_.socket(); }
    const PublishedPrinter& printer() const { return printer_; }
    bool hasJob() const { return job_ != nullptr; }

    // The same queue with new settings (description, state, destination); its name stays.
    void update(PublishedPrinter printer);
    void setState(const QueueState& state);
    // Ends the running job (cancelled at its destination) and closes its connection.
    void stopJob();

    // What SendStatus is answered with now.
    std::string statusText() const;

private:
    PapServerEvents jobEvents();
    void showStatus();

    Node& node_;
    PublishedPrinter printer_;
    const ServeLimits& limits_;
    ServeLog& log_;
    std::function<void()> jobsChanged_;
    PapStatusServer status_;
    PapServer server_; // after status_: it hooks into it
    std::unique_ptr<ServedJob> job_;
};

} // namespace appletalk::serve
