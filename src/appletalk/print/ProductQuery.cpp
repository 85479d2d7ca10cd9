// SPDX-License-Identifier: MIT
#include "appletalk/print/ProductQuery.h"

#include "appletalk/protocols/postscript/QueryJob.h"

namespace appletalk::print {

namespace {

using postscript::PostScriptQuery;
using postscript::QueryJob;
using postscript::QueryKind;

// A reply is a line or two; a printer that says more is not answering this query.
constexpr std::size_t kMaxReply = 4096;

QueryJob identityQueries() {
    QueryJob job;
    job.title = "Printer identity";
    // Printed as a PPD gives them: "(LaserWriter II NTX)" and "(47.0) 1".
    job.queries.push_back(PostScriptQuery::make(QueryKind::Feature, "*Product",
                                                "(\\() print statusdict /product get print (\\)) = flush", "Unknown"));
    job.queries.push_back(
        PostScriptQuery::make(QueryKind::Feature, "*PSVersion",
                              "(\\() print version print (\\) ) print statusdict /revision get == flush", "Unknown"));
    return job;
}

// "(text)" -> "text"; nothing for "Unknown", an empty or unbracketed answer.
std::optional<std::string> bracketed(std::string_view answer) {
    if (answer.size() < 3 || answer.front() != '(') return std::nullopt;
    const auto close = answer.find(')');
    if (close == std::string_view::npos || close == 1) return std::nullopt;
    return std::string(answer.substr(1, close - 1));
}

} // namespace

ProductQuery::ProductQuery(Node& node, Duration limit) {
    PrintJobOptions options;
    options.stallLimit = limit;
    options.noticeInterval = limit;
    job_ = std::make_unique<PrintJob>(node, options);
}

ProductQuery::~ProductQuery() = default;

std::string ProductQuery::queryJob() { return identityQueries().serialize(); }

std::optional<PrinterIdentity> ProductQuery::identityFrom(std::string_view reply) {
    const auto answers = identityQueries().splitReply(reply);
    const auto product = bracketed(answers[0]);
    if (!product) return std::nullopt;
    return PrinterIdentity{*product, bracketed(answers[1]).value_or("")};
}

bool ProductQuery::start(DdpAddress printer, Done done) {
    done_ = std::move(done);
    PrintJobEvents events;
    events.message = [this](std::span<const std::uint8_t> bytes) {
        if (reply_.size() + bytes.size() <= kMaxReply) reply_.append(bytes.begin(), bytes.end());
    };
    events.finished = [this](PrintOutcome outcome, std::uint64_t) {
        auto report = std::move(done_);
        report(outcome == PrintOutcome::Done ? identityFrom(reply_) : std::nullopt); // last
    };
    if (!job_->open(printer, std::move(events))) return false;
    const std::string text = queryJob();
    job_->write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    job_->finish();
    return true;
}

} // namespace appletalk::print
