// SPDX-License-Identifier: MIT
// Asks a PostScript printer who it is, as a Mac's driver does: a query job over PAP whose
// feature queries for *Product and *PSVersion the printer answers on the back channel
// ("(LaserWriter II NTX)", "(47.0) 1"). A printer that is busy, does not answer within the
// limit, or answers "Unknown" tells nothing. On the stack's thread.
#pragma once

#include "appletalk/print/PrintJob.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace appletalk::print {

struct PrinterIdentity {
    std::string product; // Mac OS Roman, without the parentheses: "LaserWriter II NTX"
    std::string version; // "47.0"; empty when not told
};

class ProductQuery {
public:
    using Done = std::function<void(std::optional<PrinterIdentity>)>;

    ProductQuery(Node& node, Duration limit);
    ~ProductQuery(); // a query still running is cancelled and never calls back
    ProductQuery(const ProductQuery&) = delete;
    ProductQuery& operator=(const ProductQuery&) = delete;

    // False when no sockets could be opened; Done runs once otherwise.
    bool start(DdpAddress printer, Done done);

    // The query job sent, and what a reply to it says.
    static std::string queryJob();
    static std::optional<PrinterIdentity> identityFrom(std::string_view reply);

private:
    std::unique_ptr<PrintJob> job_;
    std::string reply_;
    Done done_;
};

} // namespace appletalk::print
