// SPDX-License-Identifier: MIT
// What `vidur serve` makes of a CUPS queue before publishing it: the printer its PPD describes
// and the AppleTalk name it goes by.
#include "tools/serve/PpdReader.h"
#include "tools/serve/PublishedName.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace vidur::serve {
namespace {

using appletalk::serve::PrinterDescription;

std::string fileText(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(DescribeFromPpd, ReadsWhatAMacDriverAsksFromTheQueuesPpd) {
    const PrinterDescription office = describeFromPpd(fileText(OFFICE_PPD));
    EXPECT_EQ(office.product, "Office Laser 4000");
    EXPECT_EQ(office.version, "3011.104");
    EXPECT_EQ(office.revision, 2);
    EXPECT_EQ(office.languageLevel, 3);
    EXPECT_EQ(office.resolution, "600dpi");
    EXPECT_EQ(office.fonts, (std::vector<std::string>{"Courier", "Helvetica", "Times-Roman", "Symbol"}));
    EXPECT_EQ(office.feature("*InstalledMemory"), "16Meg");
    EXPECT_EQ(office.feature("*Option1"), "False");
    EXPECT_EQ(office.feature("*PageSize"), "A4");
    EXPECT_EQ(office.feature("*Product"), "(Office Laser 4000)");
    EXPECT_EQ(office.feature("*PSVersion"), "(3011.104) 2");
}

TEST(DescribeFromPpd, AMalformedOrSilentPpdLeavesTheGenericPrintersAnswers) {
    struct Row {
        const char* what;
        std::string ppd;
        std::string product;
        std::string version;
        int languageLevel;
    };
    const PrinterDescription generic = PrinterDescription::genericLevel2();
    const std::vector<Row> rows = {
        {"empty", "", generic.product, generic.version, 2},
        {"the model name stands in for a missing product; CR line ends",
         "*ModelName: \"Desk Jet\"\r*LanguageLevel: \"3\"\r", "Desk Jet", generic.version, 3},
        {"code over two lines is one value; a version without its parenthesis",
         "*PageSize Letter: \"<</PageSize[612 792]>>\n*Product: (Not This)\"\n*Product: \"(After Code)\"\n"
         "*PSVersion: \"2014.108 1\"\n*LanguageLevel: \"x\"\n",
         "After Code", generic.version, 2},
    };
    for (const Row& row : rows) {
        const PrinterDescription description = describeFromPpd(row.ppd);
        EXPECT_EQ(description.product, row.product) << row.what;
        EXPECT_EQ(description.version, row.version) << row.what;
        EXPECT_EQ(description.languageLevel, row.languageLevel) << row.what;
        EXPECT_EQ(description.fonts, PrinterDescription::standardFonts()) << row.what;
    }
}

TEST(PublishedName, TakesTheFirstUsableNameMadeHarmlessAndCutToNbpsLength) {
    struct Row {
        const char* what;
        std::string asked, description, queue;
        std::string expected; // Mac OS Roman
    };
    const std::string e32(32, '\x8E'); // "é" in Mac OS Roman
    std::string e40utf8;
    for (int i = 0; i < 40; ++i) e40utf8 += "\xC3\xA9";
    const std::vector<Row> rows = {
        {"the name asked for first", "Front Desk", "HP LaserJet", "front", "Front Desk"},
        {"then the description", "", "HP LaserJet", "front", "HP LaserJet"},
        {"then the queue; a blank description is none", "", " \t ", "front", "front"},
        {"pattern characters and controls made harmless",
         "a:b@c\xE2\x89\x88"
         "d\te\x01\x7F",
         "", "q", "a-b-c-d e"},
        {"the lone wildcard", "=", "", "q", "-"},
        {"Mac OS Roman, cut at 32 characters", e40utf8, "", "q", e32},
        {"no blank left at the cut", std::string(31, 'x') + "  y", "", "q", std::string(31, 'x')},
    };
    for (const Row& row : rows)
        EXPECT_EQ(publishedName(row.asked, row.description, row.queue), row.expected) << row.what;
}

} // namespace
} // namespace vidur::serve
