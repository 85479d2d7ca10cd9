// SPDX-License-Identifier: MIT
#include "platform/core/CString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(CStringConstruction, NullPointerGivesEmptyString) {
    const CString s(static_cast<LPCSTR>(nullptr));
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_STREQ(static_cast<LPCSTR>(s), "");
}

TEST(CStringConstruction, CountedConstructorKeepsExactlyThatManyBytes) {
    const CString s("abcdef", 3);
    EXPECT_EQ(s.GetLength(), 3);
    EXPECT_STREQ(s, "abc");
    EXPECT_EQ(CString('x', 4), "xxxx");
    EXPECT_TRUE(CString('x', 0).IsEmpty());
}

TEST(CStringValueSemantics, CopiesAreIndependent) {
    CString a("Laser");
    CString b = a;
    b.SetAt(0, 'l');
    b += " 2";
    EXPECT_EQ(a, "Laser");
    EXPECT_EQ(b, "laser 2");
}

TEST(CStringValueSemantics, SelfAssignmentFromOwnBufferKeepsText) {
    CString s("Sales zone");
    s = static_cast<LPCSTR>(s) + 6;
    EXPECT_EQ(s, "zone");
}

TEST(CStringConcatenation, EveryOperandKindJoins) {
    const CString object("Laser 2");
    EXPECT_EQ(object + ":" + CString("LaserWriter") + '@' + "Sales", "Laser 2:LaserWriter@Sales");
    EXPECT_EQ("[" + object, "[Laser 2");
    EXPECT_EQ('<' + object, "<Laser 2");
}

TEST(CStringComparison, OrdersByUnsignedMacRomanBytes) {
    // 0x80 (A with diaeresis) sorts after every ASCII letter, not before as a signed char would.
    const CString accented("\x80");
    EXPECT_GT(accented.Compare("z"), 0);
    EXPECT_TRUE(CString("z") < accented);
    EXPECT_TRUE(accented > "z");
    EXPECT_TRUE("a" < CString("b"));
    EXPECT_TRUE(CString("abc") != "abd");
    EXPECT_LT(CString("ab").Compare("abc"), 0);
}

TEST(CStringComparison, NoCaseFoldsAsciiAndAccentedPairs) {
    EXPECT_EQ(CString("laserwriter").CompareNoCase("LaserWriter"), 0);
    // 0x8A (a with diaeresis) and 0x80 (A with diaeresis) are one letter in two cases.
    EXPECT_EQ(CString("B\x8A"
                      "r")
                  .CompareNoCase("b\x80R"),
              0);
    // An accent is not a case: e-acute (0x8E) is not e.
    EXPECT_NE(CString("\x8E").CompareNoCase("e"), 0);
}

struct ExtractionRow {
    const char* what;
    CString actual;
    const char* expected;
};

TEST(CStringExtraction, ClampsCountsAndPositionsToTheString) {
    const CString s("Printer12");
    const ExtractionRow rows[] = {
        {"Mid from 7", s.Mid(7), "12"},
        {"Mid past end", s.Mid(20), ""},
        {"Mid negative start", s.Mid(-3, 2), "Pr"},
        {"Mid count too long", s.Mid(5, 100), "er12"},
        {"Left 0", s.Left(0), ""},
        {"Left too long", s.Left(50), "Printer12"},
        {"Left negative", s.Left(-1), ""},
        {"Right 2", s.Right(2), "12"},
        {"Right too long", s.Right(99), "Printer12"},
        {"SpanIncluding", s.SpanIncluding("Pnirt"), "Print"},
        {"SpanExcluding", s.SpanExcluding("0123456789"), "Printer"},
    };
    for (const auto& row : rows) EXPECT_EQ(row.actual, row.expected) << row.what;
}

TEST(CStringSearch, FindsCharactersAndSubstrings) {
    const CString s("Laser 2:LaserWriter@Sales");
    EXPECT_EQ(s.Find(':'), 7);
    EXPECT_EQ(s.Find("Laser"), 0);
    EXPECT_EQ(s.Find("Writer"), 13);
    EXPECT_EQ(s.Find("Zone"), -1);
    EXPECT_EQ(s.ReverseFind('a'), 21);
    EXPECT_EQ(s.ReverseFind('#'), -1);
    EXPECT_EQ(s.FindOneOf("@:"), 7);
}

TEST(CStringCase, UpperAndLowerConvertAsciiAndMacRomanPairs) {
    CString s("caf\x8E \x8A\x9A x1");
    s.MakeUpper();
    EXPECT_EQ(s, "CAF\x83 \x80\x85 X1");
    s.MakeLower();
    EXPECT_EQ(s, "caf\x8E \x8A\x9A x1");
    CString noPair("\xA7"); // sharp s has no capital in Mac OS Roman
    noPair.MakeUpper();
    EXPECT_EQ(noPair, "\xA7");
}

TEST(CStringTrim, RemovesOnlyWhiteSpaceAtTheEdges) {
    CString s(" \t value with  spaces \r\n");
    s.TrimLeft();
    EXPECT_EQ(s, "value with  spaces \r\n");
    s.TrimRight();
    EXPECT_EQ(s, "value with  spaces");
    CString blank("   ");
    blank.TrimRight();
    EXPECT_TRUE(blank.IsEmpty());
    CString nbsp(
        "\xCA"
        "x\xCA"); // Mac OS Roman non-breaking space is text
    nbsp.TrimLeft();
    EXPECT_EQ(nbsp.GetLength(), 3);
}

TEST(CStringFormat, FormatsShortAndVeryLongResults) {
    CString s;
    s.Format("%s; %d %d %d, %s:%s@%s", "AppleTalk PAP", 4096, 12, 129, "Laser 2", "LaserWriter", "Sales");
    EXPECT_EQ(s, "AppleTalk PAP; 4096 12 129, Laser 2:LaserWriter@Sales");
    const std::string big(5000, 'q');
    s.Format("<%s>", big.c_str());
    EXPECT_EQ(s.GetLength(), 5002);
    EXPECT_EQ(s.Right(2), "q>");
}

TEST(CStringFormat, MayFormatFromItsOwnText) {
    CString s("Printer");
    s.Format("%s%d", static_cast<LPCSTR>(s), 1);
    EXPECT_EQ(s, "Printer1");
}

TEST(CStringBuffer, ReleaseBufferTakesLengthUpToFirstZero) {
    CString s("ab");
    char* p = s.GetBuffer(10);
    std::strcpy(p, "abcdefghij"); // fills all 10 characters plus the zero
    s.ReleaseBuffer();
    EXPECT_EQ(s, "abcdefghij");
    p = s.GetBuffer(0);
    p[3] = '\0';
    s.ReleaseBuffer();
    EXPECT_EQ(s, "abc");
}

TEST(CStringBuffer, SetLengthAndExplicitReleaseLength) {
    CString s;
    char* p = s.GetBufferSetLength(4);
    std::memcpy(p, "wxyz", 4);
    EXPECT_EQ(s.GetLength(), 4);
    s.ReleaseBuffer(2);
    EXPECT_EQ(s, "wx");
}

TEST(CStringDeathTest, IndexOutOfRangeStopsTheProcess) {
    const CString s("ab");
    EXPECT_DEATH(static_cast<void>(s.GetAt(2)), "assertion failed");
    EXPECT_DEATH(static_cast<void>(s[-1]), "assertion failed");
}

} // namespace
