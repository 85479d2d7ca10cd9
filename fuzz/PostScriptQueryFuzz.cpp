// SPDX-License-Identifier: MIT
// PostScript query jobs as a workstation sends them: the reader never fails, a job it read
// writes back to one that reads as the same queries, a printer's reply (the input again) is
// split into one answer per query, and the print server answers or defaults every query.
#include "appletalk/protocols/postscript/QueryJob.h"
#include "appletalk/serve/QueryAnswers.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

using appletalk::postscript::PostScriptQuery;
using appletalk::postscript::QueryJob;

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "postscript_query: %s\n", what);
    std::abort();
}

bool sameQuery(const PostScriptQuery& a, const PostScriptQuery& b) {
    return a.kind == b.kind && a.name == b.name && a.arguments == b.arguments && a.body == b.body &&
           a.defaultAnswer == b.defaultAnswer;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    static_cast<void>(QueryJob::isQueryJob(text));
    const QueryJob job = QueryJob::parse(text);

    // Written back, every query is complete: its End line is written whether it came or not.
    const QueryJob again = QueryJob::parse(job.serialize());
    require(again.title == job.title, "the title changed in a round trip");
    require(again.queries.size() == job.queries.size(), "a round trip changed the number of queries");
    for (std::size_t i = 0; i < job.queries.size(); ++i) {
        require(sameQuery(again.queries[i], job.queries[i]), "a query changed in a round trip");
        require(again.queries[i].complete, "a written query is incomplete");
    }

    require(job.splitReply(text).size() == job.queries.size(), "a reply split into another number of answers");
    const auto answers =
        appletalk::serve::QueryAnswers::answer(text, appletalk::serve::PrinterDescription::genericLevel2());
    require(static_cast<std::size_t>(answers.answered + answers.defaulted) == job.queries.size(),
            "a query neither answered nor defaulted");
    return 0;
}
