// SPDX-License-Identifier: MIT
// A simulated printer's job title as a file name part.
#include "appletalk/sim/SimPrintJob.h"

#include <gtest/gtest.h>

namespace appletalk::sim {
namespace {

TEST(SimPrintJob, AFileNamePartKeepsEveryWholeCharacterThatFitsAndNothingHarmful) {
    std::string e40;
    for (int i = 0; i < 40; ++i) e40 += "\xC3\xA9"; // "é"
    EXPECT_EQ(SimPrintJob::fileNamePart(e40), e40.substr(0, 64)) << "32 of 40 \"é\" fit";
    EXPECT_EQ(SimPrintJob::fileNamePart("x" + e40), "x" + e40.substr(0, 62));
    EXPECT_EQ(SimPrintJob::fileNamePart(".hidden/a\tb"), "_hidden_a_b");
    EXPECT_EQ(SimPrintJob::fileNamePart(""), "untitled");
}

} // namespace
} // namespace appletalk::sim
