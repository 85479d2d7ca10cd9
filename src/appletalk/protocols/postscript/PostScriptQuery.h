// SPDX-License-Identifier: MIT
// One query of a PostScript query job, as the Document Structuring Conventions write it:
//
//   %%?BeginFeatureQuery: *Product          the kind, then its arguments
//   statusdict /product get print           the PostScript that asks the printer
//   %%?EndFeatureQuery: Unknown             the answer to give when it cannot be asked
//
// The conventions' pairs are FeatureQuery, FileQuery, FontListQuery, FontQuery, PrinterQuery,
// ProcSetQuery, Query, ResourceListQuery, ResourceQuery and VMStatus. A pair of another name
// is kept as Other with its name, so a spooler still answers it with its default.
#pragma once

#include <string>
#include <string_view>

namespace appletalk::postscript {

enum class QueryKind {
    Feature,
    File,
    FontList,
    Font,
    Printer,
    ProcSet,
    Generic, // %%?BeginQuery: IDENTIFIER
    ResourceList,
    Resource,
    VMStatus,
    Other,
};

struct PostScriptQuery {
    QueryKind kind = QueryKind::Generic;
    std::string name; // as written after "%%?Begin": "FeatureQuery", "VMStatus"
    std::string arguments; // after the colon, trimmed: "*Product", "Times-Roman"; may be empty
    std::string body; // the lines between, each ended with '\n'
    std::string defaultAnswer; // after the End line's colon, trimmed; empty when it has none
    bool complete = true; // false: the job ended before the End line

    // The kind of a pair's name ("FeatureQuery"); Other for a name the conventions lack.
    static QueryKind kindOf(std::string_view name);
    static std::string nameOf(QueryKind kind);
    static PostScriptQuery make(QueryKind kind, std::string arguments, std::string body, std::string defaultAnswer);

    // The answers to these kinds are lists, one item a line, ended by a line "*".
    bool answersWithList() const { return kind == QueryKind::FontList || kind == QueryKind::ResourceList; }
    // Arguments' first word, the feature or resource asked for: "*Product" of "*Product".
    std::string_view key() const;

    // The Begin line, the body, the End line; lines end with '\n'.
    std::string serialize() const;
};

} // namespace appletalk::postscript
