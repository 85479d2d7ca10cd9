// SPDX-License-Identifier: MIT
#include "appletalk/print/PrinterSurvey.h"

#include <algorithm>

namespace appletalk::print {

const runtime::LookupParameters PrinterSurvey::kLookup{std::chrono::seconds(1), 2, 1024};

PrinterSurvey::PrinterSurvey(runtime::NetworkOperations& network, Node* node, std::vector<std::string> types,
                             SurveyOptions options)
    : network_(network), node_(node), types_(std::move(types)), options_(options) {}

PrinterSurvey::~PrinterSurvey() {
    for (const runtime::OperationId id : running_) network_.cancel(id);
    if (node_ != nullptr) node_->timers().cancel(identifyTimer_);
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
                [this](int) { lookupDone(); }));
        }
    }
    if (!starting_) lookupDone();
}

void PrinterSurvey::found(const std::string& zone, const nbp::NbpTuple& tuple) {
    const std::string where = zone == "*" && tuple.name.zone != "*" ? tuple.name.zone : zone;
    if (seen_.insert({where, tuple.name.object, tuple.name.type}).second)
        printers_.push_back(
            {{tuple.name.object, tuple.name.type, where}, {tuple.network, tuple.node, tuple.socket}, {}});
}

void PrinterSurvey::lookupDone() {
    if (--lookupsLeft_ > 0) return;
    running_.clear();
    if (node_ == nullptr || printers_.empty()) return report();
    queries_.resize(printers_.size());
    // Whoever has not answered by then keeps the name the look-up gave.
    identifyTimer_ = node_->timers().scheduleAfter(options_.identifyLimit, [this] {
        identifyTimer_ = 0;
        report();
    });
    identifyNext();
}

void PrinterSurvey::identifyNext() {
    while (queriesRunning_ < options_.queriesAtOnce && nextQuery_ < printers_.size()) {
        const std::size_t index = nextQuery_++;
        auto query = std::make_unique<ProductQuery>(*node_, options_.queryLimit);
        ProductQuery& started = *query;
        queries_[index] = std::move(query);
        ++queriesRunning_;
        if (!started.start(printers_[index].address, [this, index](std::optional<PrinterIdentity> identity) {
                identified(index, std::move(identity));
            }))
            identified(index, std::nullopt);
    }
    if (queriesRunning_ == 0 && nextQuery_ == printers_.size()) report();
}

void PrinterSurvey::identified(std::size_t index, std::optional<PrinterIdentity> identity) {
    // The query object stays until the survey goes: it is still inside its own call.
    printers_[index].identity = std::move(identity);
    --queriesRunning_;
    if (done_) identifyNext(); // nothing more once the survey has reported
}

void PrinterSurvey::report() {
    if (!done_) return;
    if (node_ != nullptr) node_->timers().cancel(identifyTimer_);
    identifyTimer_ = 0;
    std::vector<DiscoveredPrinter> printers = printers_;
    std::sort(printers.begin(), printers.end(), [](const auto& a, const auto& b) {
        return std::tie(a.name.zone, a.name.object) < std::tie(b.name.zone, b.name.object);
    });
    auto done = std::move(done_);
    done_ = nullptr;
    done(std::move(printers));
}

} // namespace appletalk::print
