// SPDX-License-Identifier: MIT
// Finding the printer of a job by its name: an NBP look-up of the name, asked a few times a
// second apart, and the first address that answers. On the stack's thread.
#pragma once

#include "appletalk/protocols/ddp/DdpAddress.h"
#include "appletalk/protocols/nbp/NbpName.h"
#include "appletalk/runtime/NetworkOperations.h"

#include <functional>
#include <optional>

namespace appletalk::print {

class PrinterLookup {
public:
    // The printer, or nothing with the look-up's status: kOk (no answer) or kErrBadReply
    // (answers came that could not be read).
    using Done = std::function<void(std::optional<DdpAddress> printer, int status)>;

    explicit PrinterLookup(runtime::NetworkOperations& network) : network_(network) {}
    ~PrinterLookup(); // a look-up still running is cancelled and never calls back
    PrinterLookup(const PrinterLookup&) = delete;
    PrinterLookup& operator=(const PrinterLookup&) = delete;

    // `name` in Mac OS Roman, without wildcards; a zone "*" is this node's. Done runs once.
    void start(const nbp::NbpName& name, Done done);

    static const runtime::LookupParameters kParameters;

private:
    runtime::NetworkOperations& network_;
    runtime::OperationId running_ = 0;
};

} // namespace appletalk::print
