// SPDX-License-Identifier: MIT
// Asks a printer for its status: PAP SendStatus to its server listening socket (the address
// NBP found), exactly-once over ATP with a ~2 s retry a few times. One query at a time per
// client, so a status window polling every 1.5 s never piles queries up on a printer.
#pragma once

#include "appletalk/node/Node.h"
#include "appletalk/services/atp/AtpRequester.h"

#include <chrono>
#include <functional>
#include <string>

namespace appletalk {

enum class PapStatusResult {
    Idle,
    Running,
    Ok,
    NoResponse, // the retries ran out: the printer is gone or hung
    BadReply, // an answer that is not a PAP Status, or only answers that could not be read
    Cancelled,
    Failed, // could not send: no free socket, no route
};

struct PapStatusOptions {
    Duration retryInterval = std::chrono::seconds(2);
    int retries = 2; // resends after the first: three tries in all
};

class PapStatusClient {
public:
    using Completion = std::function<void(PapStatusResult)>;

    explicit PapStatusClient(Node& node, PapStatusOptions options = {});
    PapStatusClient(const PapStatusClient&) = delete;
    PapStatusClient& operator=(const PapStatusClient&) = delete;

    // False when a query is running or no socket could be opened. The completion runs once,
    // later, unless cancel() comes first.
    bool start(DdpAddress serverListeningSocket, Completion completion);
    void cancel();

    bool isRunning() const { return result_ == PapStatusResult::Running; }
    PapStatusResult result() const { return result_; }
    // The status text (Mac OS Roman, at most 255 bytes) of the last query that succeeded.
    const std::string& statusText() const { return text_; }
    // What its ATP transactions sent and met, over all its queries.
    const AtpRequesterCounters& atpCounters() const { return requester_.counters(); }

private:
    void handle(const AtpResult& result);
    void finish(PapStatusResult result);

    PapStatusOptions options_;
    AtpRequester requester_;
    AtpRequester::Handle transaction_ = 0;
    PapStatusResult result_ = PapStatusResult::Idle;
    std::string text_;
    Completion completion_;
};

} // namespace appletalk
