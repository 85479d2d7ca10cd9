// SPDX-License-Identifier: MIT
// Every PostScript printer of the internet, for the CUPS backend's discovery: the zone list,
// then an NBP look-up of each PostScript type in every zone, all at once. On the stack's
// thread, on the node's clock.
#pragma once

#include "appletalk/protocols/nbp/NbpName.h"
#include "appletalk/runtime/NetworkOperations.h"

#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace appletalk::print {

struct DiscoveredPrinter {
    appletalk::nbp::NbpName name; // Mac OS Roman; the zone is the one looked in, never "*"
};

class PrinterSurvey {
public:
    using Done = std::function<void(std::vector<DiscoveredPrinter> printers)>;

    PrinterSurvey(runtime::NetworkOperations& network, std::vector<std::string> types)
        : network_(network), types_(std::move(types)) {}
    ~PrinterSurvey(); // what still runs is cancelled and never calls back
    PrinterSurvey(const PrinterSurvey&) = delete;
    PrinterSurvey& operator=(const PrinterSurvey&) = delete;

    // Done runs once, with the printers sorted by zone, then name.
    void start(Done done);

    // Each look-up is asked three times a second apart.
    static const runtime::LookupParameters kLookup;

private:
    void lookIn(const std::vector<std::string>& zones);
    void found(const std::string& zone, const nbp::NbpTuple& tuple);
    void lookupDone();

    runtime::NetworkOperations& network_;
    std::vector<std::string> types_;
    Done done_;
    std::vector<runtime::OperationId> running_;
    bool starting_ = false;
    bool looking_ = false; // the zone list has come
    std::size_t lookupsLeft_ = 0;
    std::set<std::tuple<std::string, std::string, std::string>> seen_;
    std::vector<DiscoveredPrinter> printers_;
};

} // namespace appletalk::print
