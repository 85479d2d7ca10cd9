// SPDX-License-Identifier: MIT
#include "text/ProfileFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using vidur::text::ProfileFile;

namespace {

using Names = std::vector<std::string>;

TEST(ProfileFileReading, FollowsWindowsNameValueAndQuoteRules) {
    const ProfileFile file = ProfileFile::parse(
        "[Sec]\n"
        "  Spaced Key  =   spaced value   \n"
        "dq=\"  inside  \"\n"
        "sq='x'\n"
        "mixed=\"x'\n"
        "lone=\"\n"
        "semi=a; b\n"
        "empty=\n"
        "bare\n"
        "eq=a=b\n");
    EXPECT_EQ(file.getValue("sec", "SPACED KEY"), "spaced value");
    EXPECT_EQ(file.getValue("Sec", "dq"), "  inside  ");
    EXPECT_EQ(file.getValue("Sec", "sq"), "x");
    EXPECT_EQ(file.getValue("Sec", "mixed"), "\"x'");
    EXPECT_EQ(file.getValue("Sec", "lone"), "\"");
    EXPECT_EQ(file.getValue("Sec", "semi"), "a; b"); // ';' starts a comment only at a line's start
    EXPECT_EQ(file.getValue("Sec", "empty"), "");
    EXPECT_EQ(file.getValue("Sec", "bare"), std::nullopt); // a key without '=' has no value
    EXPECT_EQ(file.getValue("Sec", "eq"), "a=b");
    EXPECT_EQ(file.getValue("Sec", "missing"), std::nullopt);
    EXPECT_EQ(file.getValue("Other", "dq"), std::nullopt);
}

TEST(ProfileFileReading, ListsSectionsAndKeysWithoutComments) {
    const ProfileFile file = ProfileFile::parse("top=ignored\n[A]\n;c=1\nk1=1\n\n  k2 = 2\n[ B ]\n[A]\nk3=3\n");
    EXPECT_EQ(file.getSectionNames(), (Names{"A", "B", "A"}));
    EXPECT_EQ(file.getKeyNames("a"), (Names{"k1", "k2"})); // the first section of a name answers
    EXPECT_EQ(file.getValue("A", "k3"), std::nullopt);
    EXPECT_TRUE(file.getKeyNames("none").empty());
}

TEST(ProfileFileReading, LinesWithoutEqualsAreNoKeysAndSectionNamesEndAtTheirFirstBracket) {
    const ProfileFile file = ProfileFile::parse("[A]x]\nbare\nk=1\n");
    EXPECT_EQ(file.getSectionNames(), (Names{"A"}));
    EXPECT_EQ(file.getKeyNames("A"), (Names{"k"}));
}

TEST(ProfileFileEncoding, AFileThatIsNotUtf8ThroughoutIsMacRomanThroughout) {
    // Z\x9Frich=Caf\x8E is Mac OS Roman, so "Caf" C3 A9 beside it is too ("Caf√©").
    const std::string text = "[S]\r\nZ\x9Frich=Caf\x8E\r\nk=Caf\xC3\xA9\r\n";
    ProfileFile file = ProfileFile::parse(text);
    EXPECT_TRUE(file.isMacRoman());
    EXPECT_EQ(file.getValue("S", "Z\x9Frich"), "Caf\x8E");
    EXPECT_EQ(file.getValue("S", "k"), "Caf\xC3\xA9");
    EXPECT_EQ(file.serialize(), text); // unedited lines keep their bytes
    EXPECT_TRUE(file.setValue("S", "Z\x9Frich", "Caf\x8E!"));
    EXPECT_EQ(file.serialize(), "[S]\r\nZ\x9Frich=Caf\x8E!\r\nk=Caf\xC3\xA9\r\n") << "an edit keeps the encoding";

    // The same bytes in a file that is UTF-8 throughout are UTF-8.
    EXPECT_EQ(ProfileFile::parse("[S]\nk=Caf\xC3\xA9\n").getValue("S", "k"), "Caf\x8E");

    // Removing the last byte UTF-8 refuses would turn the rest into UTF-8: written whole as such.
    EXPECT_TRUE(file.removeKey("S", "Z\x9Frich"));
    const ProfileFile reread = ProfileFile::parse(file.serialize());
    EXPECT_FALSE(reread.isMacRoman());
    EXPECT_EQ(reread.getValue("S", "k"), "Caf\xC3\xA9");
}

TEST(ProfileFileReading, AcceptsCrLfAndAByteOrderMark) {
    const ProfileFile file = ProfileFile::parse("\xEF\xBB\xBF[S]\r\nk = v\r\n");
    EXPECT_EQ(file.getValue("S", "k"), "v");
    EXPECT_EQ(file.serialize(), "\xEF\xBB\xBF[S]\r\nk = v\r\n");
}

TEST(ProfileFileReading, NamesFoldCaseAsNbpIncludingAccentedLetters) {
    const ProfileFile file = ProfileFile::parse("[Z\xC3\xBCrich]\n\xC3\xA9t\xC3\xA9=summer\n"); // Zürich, été
    EXPECT_EQ(file.getValue("Z\x86RICH", "\x83T\x83"), "summer"); // ZÜRICH, ÉTÉ
    EXPECT_EQ(file.getSectionNames(), (Names{"Z\x9Frich"}));
}

TEST(ProfileFileWriting, ReplacingAValueTouchesOnlyItsLine) {
    const std::string before = "; top comment\n[A]\n  k1 = old ; not a comment\n\n; about B\n[B]\nx=1\n";
    ProfileFile file = ProfileFile::parse(before);
    EXPECT_TRUE(file.setValue("a", "K1", "new"));
    EXPECT_EQ(file.serialize(), "; top comment\n[A]\nk1=new\n\n; about B\n[B]\nx=1\n");
    EXPECT_FALSE(file.setValue("A", "k1", "new")); // same value: nothing to write
}

TEST(ProfileFileWriting, NewKeyGoesAfterTheSectionsLastKey) {
    ProfileFile file = ProfileFile::parse("[A]\nk1=1\n\n; about B\n[B]\n");
    EXPECT_TRUE(file.setValue("A", "k2", "2"));
    EXPECT_TRUE(file.setValue("B", "first", "f"));
    EXPECT_EQ(file.serialize(), "[A]\nk1=1\nk2=2\n\n; about B\n[B]\nfirst=f\n");
}

TEST(ProfileFileWriting, NewSectionIsAppendedWithTheFilesLineEnding) {
    ProfileFile file = ProfileFile::parse("[A]\r\nk=1"); // no final line break
    EXPECT_TRUE(file.setValue("New", "key", "v"));
    EXPECT_EQ(file.serialize(), "[A]\r\nk=1\r\n\r\n[New]\r\nkey=v\r\n");
    ProfileFile empty = ProfileFile::parse("");
    EXPECT_TRUE(empty.setValue("S", "k", "v"));
    EXPECT_EQ(empty.serialize(), "[S]\nk=v\n");
}

TEST(ProfileFileWriting, MacRomanGoesToDiskAsUtf8) {
    ProfileFile file = ProfileFile::parse("");
    file.setValue("Caf\x8E", "cl\x8E", "Z\x9Frich");
    EXPECT_EQ(file.serialize(), "[Caf\xC3\xA9]\ncl\xC3\xA9=Z\xC3\xBCrich\n");
    EXPECT_EQ(ProfileFile::parse(file.serialize()).getValue("CAF\x83", "cl\x8E"), "Z\x9Frich");
}

TEST(ProfileFileRemoving, RemovesEveryDuplicateSoNothingResurfaces) {
    ProfileFile file = ProfileFile::parse("[A]\nk=1\nk=2\nj=3\n[B]\nk=4\n[a]\nk=5\n");
    EXPECT_TRUE(file.removeKey("A", "K"));
    EXPECT_EQ(file.serialize(), "[A]\nj=3\n[B]\nk=4\n[a]\n");
    EXPECT_FALSE(file.removeKey("A", "k"));
    EXPECT_TRUE(file.removeSection("A"));
    EXPECT_EQ(file.serialize(), "[B]\nk=4\n");
    EXPECT_FALSE(file.removeSection("A"));
}

struct WritableRow {
    const char* text;
    bool section;
    bool key;
    bool value;
};

TEST(ProfileFileWriting, RefusesTextThatWouldBreakTheStructure) {
    const WritableRow rows[] = {
        {"Recent Printer List", true, true, true},
        {"a]b", false, true, true},
        {"a=b", true, false, true},
        {"a\nb", false, false, false},
        {"a\rb", false, false, false},
        {";x", true, false, true},
        {"[x", true, false, true},
        {"", false, false, true},
        {"   ", false, false, true},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ProfileFile::isWritableSectionName(row.text), row.section) << row.text;
        EXPECT_EQ(ProfileFile::isWritableKeyName(row.text), row.key) << row.text;
        EXPECT_EQ(ProfileFile::isWritableValue(row.text), row.value) << row.text;
    }
}

} // namespace
