// SPDX-License-Identifier: MIT
// PostScript query jobs: split into their queries as a Mac sends them (CR line ends), written
// back, and a printer's reply matched to its queries.
#include <gtest/gtest.h>

#include "appletalk/protocols/postscript/QueryJob.h"

namespace appletalk::postscript {
namespace {

// A job as a Mac's driver sends one: CR line ends, comments outside the queries, a list
// query, a pair the conventions do not name, and a job cut short in its last query.
constexpr std::string_view kMacJob =
    "\x04%!PS-Adobe-3.0 Query\r%%Title: Query job\r"
    "%%?BeginFeatureQuery: *Product\r"
    "statusdict /product get print\r"
    "%%?EndFeatureQuery: Unknown\r"
    "%%?BeginFontListQuery\r"
    "save FontDirectory {pop ==} forall (*) = flush restore\r"
    "%%?EndFontListQuery: *\r"
    "%%?BeginVMStatus\r"
    "vmstatus = = = flush\r"
    "%%?EndVMStatus: 0 0 0\r"
    "%%?BeginSpoolerQuery: rUserID\r"
    "%%?EndSpoolerQuery: spooler\r\n"
    "%%?BeginProcSetQuery: \"(AppleDict md)\" 71 0\n"
    "/md where {pop (1) } {(0)} ifelse = flush\n";

TEST(QueryJob, SplitsAMacsJobIntoItsQueriesAndWritesThemBack) {
    EXPECT_TRUE(QueryJob::isQueryJob(kMacJob));
    EXPECT_FALSE(QueryJob::isQueryJob("%!PS-Adobe-3.0\r%%Title: Query\r"));
    EXPECT_FALSE(QueryJob::isQueryJob("%!PS-Adobe-3.0 Querying"));

    const QueryJob job = QueryJob::parse(kMacJob);
    EXPECT_EQ(job.title, "Query job");
    ASSERT_EQ(job.queries.size(), 5u);
    const PostScriptQuery& product = job.queries[0];
    EXPECT_EQ(product.kind, QueryKind::Feature);
    EXPECT_EQ(product.key(), "*Product");
    EXPECT_EQ(product.body, "statusdict /product get print\n");
    EXPECT_EQ(product.defaultAnswer, "Unknown");
    EXPECT_TRUE(job.queries[1].answersWithList());
    EXPECT_EQ(job.queries[1].arguments, "");
    EXPECT_EQ(job.queries[2].kind, QueryKind::VMStatus);
    EXPECT_EQ(job.queries[3].kind, QueryKind::Other);
    EXPECT_EQ(job.queries[3].name, "SpoolerQuery");
    EXPECT_EQ(job.queries[3].defaultAnswer, "spooler");
    EXPECT_EQ(job.queries[4].kind, QueryKind::ProcSet);
    EXPECT_EQ(job.queries[4].arguments, "\"(AppleDict md)\" 71 0");
    EXPECT_FALSE(job.queries[4].complete);
    EXPECT_EQ(job.defaultReply(), "Unknown\n*\n0 0 0\nspooler\n\n");

    QueryJob written;
    written.title = "Printer identity";
    written.queries.push_back(PostScriptQuery::make(QueryKind::Feature, "*PSVersion", "version print", "Unknown"));
    written.queries.push_back(PostScriptQuery::make(QueryKind::ResourceList, "font", "", "*"));
    const std::string text = written.serialize();
    EXPECT_EQ(text,
              "%!PS-Adobe-3.0 Query\n%%Title: Printer identity\n%%?BeginFeatureQuery: *PSVersion\n"
              "version print\n%%?EndFeatureQuery: Unknown\n%%?BeginResourceListQuery: font\n"
              "%%?EndResourceListQuery: *\n%%EOF\n");
    const QueryJob again = QueryJob::parse(text);
    ASSERT_EQ(again.queries.size(), 2u);
    EXPECT_EQ(again.serialize(), text);
}

TEST(QueryJob, MatchesAPrintersReplyToItsQueriesAndDefaultsWhatItDoesNotReach) {
    const QueryJob job = QueryJob::parse(kMacJob);
    const std::string reply = QueryJob::composeReply({"(LaserWriter II NTX)", "Courier\nTimes-Roman\n*"});
    // The printer's own messages may come between the answers.
    const auto answers = job.splitReply("%%[ status: busy ]%%\r\n" + reply + "\r\n2097152 1024 12\r");
    EXPECT_EQ(answers, (std::vector<std::string>{"(LaserWriter II NTX)", "Courier\nTimes-Roman\n*", "2097152 1024 12",
                                                 "spooler", ""}));
    // A list cut short is no answer.
    EXPECT_EQ(job.splitReply("(LW)\nCourier\n")[1], "*");
}

} // namespace
} // namespace appletalk::postscript
