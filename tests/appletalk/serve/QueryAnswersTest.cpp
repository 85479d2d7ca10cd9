// SPDX-License-Identifier: MIT
// The server's answers to a Mac driver's query job: every form of one question answered alike
// from the printer's description, and a malformed query never costing the ones after it.
#include <gtest/gtest.h>

#include "appletalk/serve/QueryAnswers.h"

namespace appletalk::serve {
namespace {

// CR line ends, as a Mac sends them. The second query lacks its colon; the ninth its End line.
constexpr std::string_view kDriverJob =
    "%!PS-Adobe-3.0 Query\r"
    "%%?BeginPrinterQuery\rstatusdict begin revision == version == product == end\r%%?EndPrinterQuery: Unknown\r"
    "%%?BeginQuery product\rstatusdict begin product == end\r%%?EndQuery: Unknown\r"
    "%%?BeginQuery: version\rversion print\r%%?EndQuery: Unknown\r"
    "%%?BeginFeatureQuery: *Product\rstatusdict /product get print\r%%?EndFeatureQuery: Unknown\r"
    "%%?BeginFontQuery: Times-Roman Gothic\r{count 1 gt {(/) print print (:Yes) =} {exit} ifelse} loop\r"
    "%%?EndFontQuery: Unknown\r"
    "%%?BeginResourceQuery: font Times-Roman\r/Times-Roman /Font resourcestatus {pop pop (Yes)} {(No)} ifelse =\r"
    "%%?EndResourceQuery: No\r"
    "%%?BeginResourceQuery: font /Gothic\r%%?EndResourceQuery: Yes\r"
    "%%?BeginResourceQuery: procset \"(AppleDict md)\" 71 0\r%%?EndResourceQuery: 0\r"
    "%%?BeginFeatureQuery: *InstalledMemory\r(16Meg) print\r"
    "%%?BeginFeatureQuery: *LanguageLevel\r%%?EndFeatureQuery: Unknown\r"
    "%%?BeginVMStatus\rvmstatus = = = flush\r%%?EndVMStatus: 0 0 0\r%%EOF\r";

TEST(QueryAnswers, EveryFormOfAQuestionHearsTheSameAndAMalformedQueryLosesNoneAfterIt) {
    const QueryAnswers answers = QueryAnswers::answer(kDriverJob, PrinterDescription::genericLevel2());
    EXPECT_EQ(answers.text,
              "1\n(2014.108)\n(Generic PostScript Printer)\n" // PrinterQuery
              "(Generic PostScript Printer)\n" // Query product, no colon
              "2014.108\n" // Query: version, printed without "=="
              "(Generic PostScript Printer)\n" // FeatureQuery, in the PPD's terms
              "/Times-Roman:Yes\n/Gothic:No\n*\n" // FontQuery
              "Yes\nNo\n" // ResourceQuery of the same fonts
              "0\n" // a procset: the query's own default
              "\n" // no End line, so no default to give
              "2\n" // LanguageLevel
              "0 0 0\n"); // VMStatus: its default
    EXPECT_EQ(answers.answered, 8);
    EXPECT_EQ(answers.defaulted, 3);
}

} // namespace
} // namespace appletalk::serve
