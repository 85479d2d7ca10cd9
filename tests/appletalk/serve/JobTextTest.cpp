// SPDX-License-Identifier: MIT
// What the print server reads from a job's first lines, and how it writes texts from
// elsewhere into its messages and status.
#include "appletalk/serve/BackChannel.h"
#include "appletalk/serve/JobHeader.h"

#include <gtest/gtest.h>

namespace appletalk::serve {
namespace {

TEST(JobHeader, ReadsTheQueryLineTitleAndUserAsTheHeaderGivesThem) {
    struct Row {
        const char* what;
        std::string head;
        bool whole;
        std::optional<JobHeader> expected;
    };
    const std::vector<Row> rows = {
        {"Mac line ends, PostScript strings",
         "%!PS-Adobe-3.0\r%%Title: (Memo \\(v2\\) \\344)\r%%For: (Jane)\r/md 10 dict def\r", false,
         JobHeader{false, "Memo (v2) \xE4", "Jane"}},
        {"plain texts, CR LF, ended by EndComments", "%!PS-Adobe-2.0\r\n%%For: Jo Bloggs \r\n%%EndComments\r\n", false,
         JobHeader{false, "", "Jo Bloggs"}},
        {"a title given in the trailer", "%!PS-Adobe-3.0\n%%Title: (atend)\nshowpage\n", false, JobHeader{}},
        {"a query job, any version, after a Ctrl-D", "\x04%!PS-Adobe-2.0 Query\r", false, JobHeader{true, "", ""}},
        {"a header still coming", "%!PS-Adobe-3.0\n%%Title: Mem", false, std::nullopt},
        {"the first line still coming", "%!PS-Adobe-3.0 Que", false, std::nullopt},
        {"the whole job, shorter than its first line", "%!PS", true, JobHeader{}},
        {"not PostScript at all", "hello\n", false, JobHeader{}},
        {"a header past the limit", "%!PS-Adobe-3.0\n%%Creator: " + std::string(9000, 'x'), false, JobHeader{}},
    };
    for (const Row& row : rows) {
        const auto header = JobHeader::read(row.head, row.whole);
        ASSERT_EQ(header.has_value(), row.expected.has_value()) << row.what;
        if (!header) continue;
        EXPECT_EQ(header->query, row.expected->query) << row.what;
        EXPECT_EQ(header->title, row.expected->title) << row.what;
        EXPECT_EQ(header->user, row.expected->user) << row.what;
    }
}

TEST(BackChannel, AMessageIsOneLineThatNoTextCanEndEarlyOrSplit) {
    EXPECT_EQ(BackChannel::error("printer on fire"), "%%[ Error: printer on fire ]%%\r");
    EXPECT_EQ(BackChannel::printerError("Out\r\n of\x1b[2J paper ]%%\r%%[ Error: forged ]%%"),
              "%%[ PrinterError: Out of [2J paper ] %% %%[ Error: forged ] %% ]%%\r");
}

} // namespace
} // namespace appletalk::serve
