// SPDX-License-Identifier: MIT
#include "vidur20/util/CPathName.h"

#include <string>

#include <gtest/gtest.h>

namespace {

struct PathRow {
    const char* path;
    const char* name;
    const char* ext;
    const char* title;
};

void PrintTo(const PathRow& row, std::ostream* os) { *os << '"' << row.path << '"'; }

class PathParts : public ::testing::TestWithParam<PathRow> {};

TEST_P(PathParts, SplitIntoNameExtensionAndTitle) {
    const PathRow& row = GetParam();
    const CPathName path(row.path);
    EXPECT_EQ(std::string(path.GetPathName()), row.path);
    EXPECT_EQ(std::string(path.GetFileName()), row.name);
    EXPECT_EQ(std::string(path.GetFileExt()), row.ext);
    EXPECT_EQ(std::string(path.GetFileTitle()), row.title);
}

INSTANTIATE_TEST_SUITE_P(Paths, PathParts,
                         ::testing::Values(PathRow{"C:\\DOCS\\REPORT.TXT", "REPORT", ".TXT", "REPORT.TXT"},
                                           PathRow{"ARCHIVE.TAR.GZ", "ARCHIVE.TAR", ".GZ", "ARCHIVE.TAR.GZ"},
                                           PathRow{"C:\\DOCS\\README", "README", "", "README"},
                                           PathRow{"C:\\DOCS\\", "", "", ""},
                                           PathRow{".PROFILE", "", ".PROFILE", ".PROFILE"},
                                           PathRow{"/home/ann/notes.v2/draft", "draft", "", "draft"},
                                           PathRow{"C:/mixed\\dirs/Letter.Doc", "Letter", ".Doc", "Letter.Doc"},
                                           PathRow{"", "", "", ""}));

TEST(CPathName, AnEmptyPathGivesEmptyPartsFromEveryGetter) {
    const CPathName path;
    EXPECT_TRUE(path.GetPathName().IsEmpty());
    EXPECT_TRUE(path.GetFileName().IsEmpty());
    EXPECT_TRUE(path.GetFileExt().IsEmpty());
    EXPECT_TRUE(path.GetFileTitle().IsEmpty());
}

TEST(CPathName, CutsANameLongerThanTheRuntimeLimitTo255Characters) {
    const std::string longName(300, 'n');
    const CPathName path(("dir/" + longName + ".ext").c_str());
    EXPECT_EQ(path.GetFileName().GetLength(), 255);
    EXPECT_EQ(std::string(path.GetFileExt()), ".ext");
}

TEST(CPathName, CopiesAreIndependentOfTheirSource) {
    CPathName a("one/first.txt");
    CPathName b(a);
    CPathName c;
    c = a;
    a = CPathName(CString("two/second.doc"));
    EXPECT_EQ(std::string(b.GetFileTitle()), "first.txt");
    EXPECT_EQ(std::string(c.GetFileTitle()), "first.txt");
    EXPECT_EQ(std::string(a.GetFileTitle()), "second.doc");
}

TEST(CPathName, TakesANullPointerAsTheEmptyPath) {
    const CPathName path(static_cast<const char*>(nullptr));
    EXPECT_TRUE(path.GetPathName().IsEmpty());
}

} // namespace
