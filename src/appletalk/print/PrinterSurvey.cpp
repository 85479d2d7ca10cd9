// SPDX-License-Identifier: MIT
#include "appletalk/print/PrinterSurvey.h"

#include <algorithm>

namespace appletalk::print {

const runtime::LookupParameters PrinterSurvey::kLookup{std::chrono::seconds(1), 2, 1024};

PrinterSurvey::~PrinterSurvey() {
    for (const runtime::OperationId id : running_) network_.cancel(id);
}

void PrinterSurvey::start(Done done) {
    done_ = std::move(done);
    // One count of the survey's own until every look-up has started, so a network that answers
    // at once (or not at all) cannot end the survey inside a call of this one.
    lookupsLeft_ = 1;
    starting_ = true;
    running_.push_back(network_.zoneList([this](int status, std::vector<std::string> zones) {
        // No router: one cable, whose zone is "*".
        lookIn(status < 0 || zones.empty() ? std::vector<std::string>{"*"} : zones);
    }));
    starting_ = false;
    if (looking_) lookupDone();
}

void PrinterSurvey::lookIn(const std::vector<std::string>& zones) {
    looking_ = true;
    lookupsLeft_ += zones.size() * types_.size();
    for (const std::string& zone : zones) {
        for (const std::string& type : types_) {
            running_.push_back(network_.lookup(
                {"=", type, zone}, kLookup, [this, zone](const nbp::NbpTuple& tuple) { found(zone, tuple); },
                [this] { lookupDone(); }));
        }
    }
    if (!starting_) lookupDone();
}

void PrinterSurvey::found(const std::string& zone, const nbp::NbpTuple& tuple) {
    const std::string where = zone == "*" && tuple.name.zone != "*" ? tuple.name.zone : zone;
    if (seen_.insert({where, tuple.name.object, tuple.name.type}).second)
        printers_.push_back({{tuple.name.object, tuple.name.type, where}});
}

void PrinterSurvey::lookupDone() {
    if (--lookupsLeft_ > 0) return;
    running_.clear();
    std::sort(printers_.begin(), printers_.end(), [](const auto& a, const auto& b) {
        return std::tie(a.name.zone, a.name.object) < std::tie(b.name.zone, b.name.object);
    });
    auto done = std::move(done_);
    done(std::move(printers_)); // last: the owner may destroy this survey
}

} // namespace appletalk::print
