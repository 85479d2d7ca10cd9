// SPDX-License-Identifier: MIT
// A PostScript query job: a job whose first line is "%!PS-Adobe-3.0 Query", holding queries
// (PostScriptQuery) that a printer answers by running them and a spooler by its own knowledge
// or with each query's default. The printer's reply is one answer per query, in order: a line
// each, and for a list query its items a line each, ended by a line "*".
//
// Lines end in CR (as Macs send them), LF or CR LF alike. Text outside the queries is kept out
// of them; a job cut short keeps the queries it has, the last marked incomplete. A query whose
// End line is missing or misspelt ends, incomplete, where the next one begins.
#pragma once

#include "appletalk/protocols/postscript/PostScriptQuery.h"

#include <string>
#include <string_view>
#include <vector>

namespace appletalk::postscript {

class QueryJob {
public:
    std::string title; // from %%Title: before the first query; empty when none
    std::vector<PostScriptQuery> queries;

    // True when the job's first line says so (after an optional Ctrl-D).
    static bool isQueryJob(std::string_view head);
    static QueryJob parse(std::string_view job);
    // The header line, the title, each query, %%EOF; lines end with '\n'.
    std::string serialize() const;

    // What a spooler that cannot ask the printer replies: every query's default.
    std::string defaultReply() const;
    // A reply of these answers, one for each query in order.
    static std::string composeReply(const std::vector<std::string>& answers);
    // A printer's reply as one answer for each query (a list's lines joined by '\n', its "*"
    // included); a query the reply does not reach gets its default. The printer's own
    // messages ("%%[ ... ]%%") and empty lines are no answers.
    std::vector<std::string> splitReply(std::string_view reply) const;
};

} // namespace appletalk::postscript
