// SPDX-License-Identifier: MIT
// Every PostScript printer of the internet, for the CUPS backend's discovery: the zone list,
// an NBP look-up of each PostScript type in every zone, all at once, then each printer found
// asked who it is (ProductQuery), a few at a time and all within a bound, so a printer that
// does not answer delays the list by seconds at most. On the stack's thread, on the node's
// clock.
#pragma once

#include "appletalk/print/ProductQuery.h"
#include "appletalk/protocols/nbp/NbpName.h"
#include "appletalk/runtime/NetworkOperations.h"

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace appletalk::print {

struct DiscoveredPrinter {
    appletalk::nbp::NbpName name; // Mac OS Roman; the zone is the one looked in, never "*"
    DdpAddress address;
    std::optional<PrinterIdentity> identity; // nothing: it did not say
};

struct SurveyOptions {
    std::size_t queriesAtOnce = 8; // each holds two sockets of the node's 127
    Duration queryLimit = std::chrono::seconds(4); // for one printer
    Duration identifyLimit = std::chrono::seconds(6); // for all of them
};

class PrinterSurvey {
public:
    using Done = std::function<void(std::vector<DiscoveredPrinter> printers)>;

    // `node`: where the product queries go from; null asks no printer who it is.
    PrinterSurvey(runtime::NetworkOperations& network, Node* node, std::vector<std::string> types,
                  SurveyOptions options = {});
    ~PrinterSurvey(); // what still runs is cancelled and never calls back
    PrinterSurvey(const PrinterSurvey&) = delete;
    PrinterSurvey& operator=(const PrinterSurvey&) = delete;

    // Done runs once, with the printers sorted by zone, then name; the survey is destroyed after
    // it returns, not inside it.
    void start(Done done);

    // Each look-up is asked three times a second apart.
    static const runtime::LookupParameters kLookup;

private:
    void lookIn(const std::vector<std::string>& zones);
    void found(const std::string& zone, const nbp::NbpTuple& tuple);
    void lookupDone();
    void identifyNext();
    void identified(std::size_t index, std::optional<PrinterIdentity> identity);
    void report();

    runtime::NetworkOperations& network_;
    Node* node_;
    std::vector<std::string> types_;
    SurveyOptions options_;
    Done done_;
    std::vector<runtime::OperationId> running_;
    bool starting_ = false;
    bool looking_ = false; // the zone list has come
    std::size_t lookupsLeft_ = 0;
    std::set<std::tuple<std::string, std::string, std::string>> seen_;
    std::vector<DiscoveredPrinter> printers_;
    std::vector<std::unique_ptr<ProductQuery>> queries_; // by printer; null once answered
    std::size_t nextQuery_ = 0;
    std::size_t queriesRunning_ = 0;
    TimerId identifyTimer_ = 0;
};

} // namespace appletalk::print
