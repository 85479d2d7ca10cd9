// SPDX-License-Identifier: MIT
#include "platform/core/Mbstring.h"
#include "platform/core/SplitPath.h"
#include "platform/core/Wsprintf.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

int sign(int v) { return (v > 0) - (v < 0); }

struct CompareRow {
    const char* a;
    const char* b;
    int exact; // sign of _mbscmp
    int folded; // sign of _mbsicmp
};

TEST(MbsCompare, ComparesUnsignedBytesAndFoldsAsNbp) {
    const CompareRow rows[] = {
        {"LaserWriter", "LaserWriter", 0, 0},
        {"laserwriter", "LaserWriter", 1, 0},
        {"abc", "abd", -1, -1},
        {"ab", "abc", -1, -1},
        {"", "", 0, 0},
        {"\x8A", "\x80", 1, 0}, // a-diaeresis vs A-diaeresis: one letter
        {"\x80", "z", 1, 1}, // high bytes sort after ASCII
        {"\x8E", "e", 1, 1}, // e-acute is not e
        {"[", "a", -1, 1}, // '[' (0x5B) against 'A' (0x41) once folded
    };
    for (const auto& row : rows) {
        EXPECT_EQ(sign(_mbscmp(row.a, row.b)), row.exact) << row.a << " / " << row.b;
        EXPECT_EQ(sign(_mbsicmp(row.a, row.b)), row.folded) << row.a << " / " << row.b;
        const auto* ua = reinterpret_cast<const unsigned char*>(row.a);
        const auto* ub = reinterpret_cast<const unsigned char*>(row.b);
        EXPECT_EQ(sign(_mbsicmp(ua, ub)), row.folded);
    }
}

struct SplitRow {
    const char* path;
    const char* drive;
    const char* dir;
    const char* fname;
    const char* ext;
};

TEST(SplitPath, SplitsByTheRuntimesRules) {
    const SplitRow rows[] = {
        {"C:\\DOCS\\REPORT.TXT", "C:", "\\DOCS\\", "REPORT", ".TXT"},
        {"ARCHIVE.TAR.GZ", "", "", "ARCHIVE.TAR", ".GZ"},
        {"C:\\DOCS\\README", "C:", "\\DOCS\\", "README", ""},
        {"C:\\DOCS\\", "C:", "\\DOCS\\", "", ""},
        {".PROFILE", "", "", "", ".PROFILE"},
        {"/home/ann/notes.v2/todo", "", "/home/ann/notes.v2/", "todo", ""},
        {"a/b\\c.d", "", "a/b\\", "c", ".d"},
        {"D:name.", "D:", "", "name", "."},
        {"", "", "", "", ""},
    };
    for (const auto& row : rows) {
        char drive[_MAX_DRIVE];
        char dir[_MAX_DIR];
        char fname[_MAX_FNAME];
        char ext[_MAX_EXT];
        _splitpath(row.path, drive, dir, fname, ext);
        EXPECT_STREQ(drive, row.drive) << row.path;
        EXPECT_STREQ(dir, row.dir) << row.path;
        EXPECT_STREQ(fname, row.fname) << row.path;
        EXPECT_STREQ(ext, row.ext) << row.path;
    }
}

TEST(SplitPath, NullOutputsAreSkipped) {
    char ext[_MAX_EXT];
    _splitpath("C:\\x\\y.z", nullptr, nullptr, nullptr, ext);
    EXPECT_STREQ(ext, ".z");
    _splitpath(nullptr, nullptr, nullptr, nullptr, ext);
    EXPECT_STREQ(ext, "");
}

TEST(SplitPath, LongPartsAreCutToFitTheirBuffers) {
    // Heap buffers of exactly the documented sizes, so the sanitizer sees any overrun.
    const std::string longName(300, 'n');
    const std::string longExt = "." + std::string(300, 'e');
    const std::string longDir = "/" + std::string(400, 'd') + "/";
    const std::string path = "C:" + longDir + longName + longExt;
    std::vector<char> drive(_MAX_DRIVE), dir(_MAX_DIR), fname(_MAX_FNAME), ext(_MAX_EXT);
    _splitpath(path.c_str(), drive.data(), dir.data(), fname.data(), ext.data());
    EXPECT_STREQ(drive.data(), "C:");
    EXPECT_EQ(std::strlen(dir.data()), 255u);
    EXPECT_EQ(std::string(fname.data()), std::string(255, 'n'));
    EXPECT_EQ(std::string(ext.data()), "." + std::string(254, 'e'));
}

TEST(Wsprintf, FormatsAndReturnsTheCharactersStored) {
    char buffer[kWsprintfMaxChars];
    EXPECT_EQ(wsprintfA(buffer, "%s%d", "Printer", 12), 9);
    EXPECT_STREQ(buffer, "Printer12");
}

TEST(Wsprintf, CapsOutputAt1024CharactersWithTheZero) {
    std::vector<char> buffer(kWsprintfMaxChars); // exactly the cap: overruns show under ASan
    const std::string big(3000, 'x');
    EXPECT_EQ(wsprintfA(buffer.data(), "%s!", big.c_str()), 1023);
    EXPECT_EQ(std::strlen(buffer.data()), 1023u);
}

} // namespace
