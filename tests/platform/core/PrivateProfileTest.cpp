// SPDX-License-Identifier: MIT
#include "platform/core/PrivateProfile.h"
#include "support/TempProfileDir.h"
#include "text/ProfileStorage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

using vidur::text::ProfileStorage;

namespace fs = std::filesystem;

namespace {

// Every test gets its own profile folder through VIDUR_PROFILE_DIR, removed afterwards.
class PrivateProfileTest : public ::testing::Test {
protected:
    PrivateProfileTest() {
        profile_.remember("XDG_CONFIG_HOME");
        profile_.remember("HOME");
    }
    void TearDown() override {
        ProfileStorage::setBeforeRenameHook({});
        ProfileStorage::setLockWait(std::chrono::milliseconds(2000));
    }

    void writeFile(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }
    static std::string readPath(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::string readFile(const std::string& name) { return readPath(dir_ / name); }
    std::string get(LPCSTR section, LPCSTR key, LPCSTR def = "", const char* file = "Halvora.INI") {
        char buffer[256];
        const DWORD n = GetPrivateProfileStringA(section, key, def, buffer, sizeof buffer, file);
        EXPECT_EQ(n, std::char_traits<char>::length(buffer));
        return buffer;
    }
    std::vector<std::string> folderEntries() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempProfileDir profile_;
    const fs::path& dir_ = profile_.path();
};

const char kWindowsFile[] =
    "; Halvora.INI, written on Windows\r\n"
    "[Recent Printer List]\r\n"
    "Printer1 = AppleTalk PAP; 4096 12 129, Laser 2:LaserWriter@Sales\r\n"
    "Printer2=\"  Quoted Laser  \"\r\n"
    "\r\n"
    "; file servers follow\r\n"
    "[Recent File Server List]\r\n"
    "File Server1=AppleTalk PAP; 1 2 3, Files:AFPServer@*\r\n";

TEST_F(PrivateProfileTest, AFileWrittenOnWindowsReadsAsThere) {
    writeFile("Halvora.INI", kWindowsFile);
    EXPECT_EQ(get("recent printer list", "PRINTER1"), "AppleTalk PAP; 4096 12 129, Laser 2:LaserWriter@Sales");
    EXPECT_EQ(get("Recent Printer List", "Printer2"), "  Quoted Laser  ");
    EXPECT_EQ(get("Recent File Server List", "File Server1"), "AppleTalk PAP; 1 2 3, Files:AFPServer@*");
    EXPECT_EQ(get("Recent Printer List", "Printer3", "none"), "none");
}

TEST_F(PrivateProfileTest, WritingKeepsEverythingElseOfAWindowsFile) {
    writeFile("Halvora.INI", kWindowsFile);
    EXPECT_TRUE(WritePrivateProfileStringA("Recent Printer List", "Printer3", "AppleTalk PAP; 0 0 0, P:LaserWriter@Z",
                                           "Halvora.INI"));
    std::string expected = kWindowsFile;
    const std::string after = "Printer2=\"  Quoted Laser  \"\r\n";
    expected.insert(expected.find(after) + after.size(), "Printer3=AppleTalk PAP; 0 0 0, P:LaserWriter@Z\r\n");
    EXPECT_EQ(readFile("Halvora.INI"), expected);
}

TEST_F(PrivateProfileTest, AccentedNamesRoundTripThroughUtf8OnDisk) {
    // Mac OS Roman: Zürich (0x9F), Café (0x8E), Ångström (0x81, 0x9A).
    EXPECT_TRUE(WritePrivateProfileStringA("Z\x9Frich", "Caf\x8E", "\x81ngstr\x9Am", "Halvora.INI"));
    EXPECT_EQ(readFile("Halvora.INI"), "[Z\xC3\xBCrich]\nCaf\xC3\xA9=\xC3\x85ngstr\xC3\xB6m\n");
    EXPECT_EQ(get("Z\x9Frich", "Caf\x8E"), "\x81ngstr\x9Am");
    EXPECT_EQ(get("Z\x86RICH", "CAF\x83"), "\x81ngstr\x9Am"); // case folds as NBP does
}

TEST_F(PrivateProfileTest, NullValueRemovesKeyAndNullKeyRemovesSection) {
    WritePrivateProfileStringA("Recent Printer List", "Printer1", "one", "Halvora.INI");
    WritePrivateProfileStringA("Recent Printer List", "Printer2", "two", "Halvora.INI");
    WritePrivateProfileStringA("Other", "k", "v", "Halvora.INI");
    EXPECT_TRUE(WritePrivateProfileStringA("Recent Printer List", "printer1", nullptr, "Halvora.INI"));
    EXPECT_EQ(get("Recent Printer List", "Printer1", "gone"), "gone");
    EXPECT_EQ(get("Recent Printer List", "Printer2"), "two");
    EXPECT_TRUE(WritePrivateProfileStringA("RECENT PRINTER LIST", nullptr, nullptr, "Halvora.INI"));
    EXPECT_EQ(readFile("Halvora.INI"), "[Other]\nk=v\n");
    EXPECT_TRUE(WritePrivateProfileStringA("Absent", "k", nullptr, "Halvora.INI")); // nothing to remove
}

TEST_F(PrivateProfileTest, MissingKeyGivesDefaultWithoutTrailingSpaces) {
    writeFile("Halvora.INI", "[S]\nempty=\nbare\n");
    char buffer[16];
    EXPECT_EQ(GetPrivateProfileStringA("S", "x", "dflt   ", buffer, sizeof buffer, "Halvora.INI"), 4u);
    EXPECT_STREQ(buffer, "dflt");
    EXPECT_EQ(GetPrivateProfileStringA("S", "empty", "dflt", buffer, sizeof buffer, "Halvora.INI"), 0u);
    EXPECT_STREQ(buffer, ""); // present but empty is not missing
    EXPECT_EQ(get("S", "bare", "d"), "d");
    EXPECT_EQ(get("S", "x", nullptr), "");
    EXPECT_EQ(get("S", "x", "d", "NoSuchFile.INI"), "d");
}

struct TruncationRow {
    DWORD size;
    DWORD result;
    std::string bytes; // what the buffer holds, zeros included
};

TEST_F(PrivateProfileTest, ValueIsCutToBufferAndAnswersSizeMinusOne) {
    writeFile("Halvora.INI", "[S]\nk=abcdef\n");
    const TruncationRow rows[] = {
        {1, 0, std::string("\0", 1)},       {2, 1, std::string("a\0", 2)},      {6, 5, std::string("abcde\0", 6)},
        {7, 6, std::string("abcdef\0", 7)}, {8, 6, std::string("abcdef\0", 7)},
    };
    for (const auto& row : rows) {
        std::string buffer(row.size, '#');
        EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", buffer.data(), row.size, "Halvora.INI"), row.result);
        EXPECT_EQ(buffer.substr(0, row.bytes.size()), row.bytes) << "size " << row.size;
    }
}

TEST_F(PrivateProfileTest, ListsAreDoubleZeroTerminatedAndCutToSizeMinusTwo) {
    writeFile("Halvora.INI", "[A]\nk1=1\n;c=2\nk22=2\n[BC]\n");
    const TruncationRow sectionRows[] = {
        {1, 0, std::string("\0", 1)},       {2, 0, std::string("\0\0", 2)},      {4, 2, std::string("A\0\0\0", 4)},
        {5, 3, std::string("A\0B\0\0", 5)}, {6, 5, std::string("A\0BC\0\0", 6)}, {9, 5, std::string("A\0BC\0\0", 6)},
    };
    for (const auto& row : sectionRows) {
        std::string buffer(row.size, '#');
        EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", buffer.data(), row.size, "Halvora.INI"), row.result);
        EXPECT_EQ(buffer.substr(0, row.bytes.size()), row.bytes) << "size " << row.size;
    }
    std::string keys(32, '#');
    EXPECT_EQ(GetPrivateProfileStringA("a", nullptr, "", keys.data(), 32, "Halvora.INI"), 7u);
    EXPECT_EQ(keys.substr(0, 8), std::string("k1\0k22\0\0", 8)); // the comment is not a key
    EXPECT_EQ(GetPrivateProfileStringA("BC", nullptr, "", keys.data(), 32, "Halvora.INI"), 0u);
    EXPECT_EQ(keys.substr(0, 2), std::string("\0\0", 2));
}

TEST_F(PrivateProfileTest, WritesThatWouldBreakTheFileAreRefusedAndChangeNothing) {
    WritePrivateProfileStringA("S", "k", "v", "Halvora.INI");
    const std::string before = readFile("Halvora.INI");
    struct Row {
        LPCSTR section;
        LPCSTR key;
        LPCSTR value;
    };
    const Row rows[] = {
        {"S", "k", "two\nlines"}, {"S", "k", "cr\r"},     {"S", "a=b", "v"},   {"S", "new\nkey", "v"},
        {"S", ";comment", "v"},   {"S", "[section", "v"}, {"S", "", "v"},      {"a]b", "k", "v"},
        {"two\nlines", "k", "v"}, {"", "k", "v"},         {nullptr, "k", "v"},
    };
    for (const auto& row : rows) {
        EXPECT_FALSE(WritePrivateProfileStringA(row.section, row.key, row.value, "Halvora.INI"))
            << (row.section ? row.section : "(null)") << " / " << (row.key ? row.key : "(null)");
    }
    EXPECT_EQ(readFile("Halvora.INI"), before);
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", nullptr));
}

TEST_F(PrivateProfileTest, FailureBeforeTheRenameLeavesTheOldFileWhole) {
    WritePrivateProfileStringA("S", "k", "old", "Halvora.INI");
    const std::string before = readFile("Halvora.INI");
    std::string seenTemporary;
    ProfileStorage::setBeforeRenameHook([&](const fs::path& temporary) {
        seenTemporary = readPath(temporary); // the new contents were complete on disk
        return false; // and then the process "crashed"
    });
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k2", "new", "Halvora.INI"));
    EXPECT_EQ(seenTemporary, "[S]\nk=old\nk2=new\n");
    EXPECT_EQ(readFile("Halvora.INI"), before);
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{".halvora.ini.lock", "Halvora.INI"})); // no leftovers
}

TEST_F(PrivateProfileTest, UnwritableFolderFailsWithoutTouchingTheFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
    WritePrivateProfileStringA("S", "k", "old", "Halvora.INI");
    fs::permissions(dir_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "new", "Halvora.INI"));
    EXPECT_EQ(get("S", "k"), "old");
}

TEST_F(PrivateProfileTest, FolderThatCannotBeCreatedFailsTheWrite) {
    writeFile("plain", "a file where a folder should be");
    const std::string path = (dir_ / "plain" / "Own.ini").string();
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", path.c_str()));
    EXPECT_EQ(readFile("plain"), "a file where a folder should be");
}

TEST_F(PrivateProfileTest, UnreadableFileIsNeverReplaced) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads anything";
    WritePrivateProfileStringA("S", "k", "old", "Halvora.INI");
    fs::permissions(dir_ / "Halvora.INI", fs::perms::none);
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k2", "new", "Halvora.INI"));
    fs::permissions(dir_ / "Halvora.INI", fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(readFile("Halvora.INI"), "[S]\nk=old\n");
}

TEST_F(PrivateProfileTest, TwoProcessesWritingDifferentKeysBothKeepTheirs) {
    constexpr int kKeys = 40;
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = ::fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            bool ok = true;
            for (int i = 0; i < kKeys; ++i) {
                const std::string key = std::string(child == 0 ? "Left" : "Right") + std::to_string(i);
                ok = WritePrivateProfileStringA("Shared", key.c_str(), key.c_str(), "Halvora.INI") && ok;
            }
            ::_exit(ok ? 0 : 1);
        }
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int i = 0; i < kKeys; ++i) {
        for (const char* side : {"Left", "Right"}) {
            const std::string key = side + std::to_string(i);
            EXPECT_EQ(get("Shared", key.c_str(), "lost"), key);
        }
    }
}

TEST_F(PrivateProfileTest, BareNamesResolveThroughTheEnvironmentInOrder) {
    ::unsetenv("VIDUR_PROFILE_DIR");
    ::setenv("XDG_CONFIG_HOME", (dir_ / "xdg").c_str(), 1);
    EXPECT_TRUE(WritePrivateProfileStringA("S", "k", "xdg", "Halvora.INI"));
    EXPECT_EQ(readPath(dir_ / "xdg" / "vidur20" / "Halvora.INI"), "[S]\nk=xdg\n");

    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", (dir_ / "home").c_str(), 1);
    EXPECT_TRUE(WritePrivateProfileStringA("S", "k", "home", "Halvora.INI"));
    EXPECT_EQ(readPath(dir_ / "home" / ".config" / "vidur20" / "Halvora.INI"), "[S]\nk=home\n");
}

TEST_F(PrivateProfileTest, PathsWithASlashAreUsedAsGiven) {
    const std::string path = (dir_ / "sub" / "Own.ini").string();
    EXPECT_TRUE(WritePrivateProfileStringA("S", "k", "v", path.c_str()));
    EXPECT_EQ(readPath(fs::path(path)), "[S]\nk=v\n");
    EXPECT_EQ(get("S", "k", "", path.c_str()), "v");
}

TEST_F(PrivateProfileTest, FileNameMatchesRegardlessOfCaseAsOnWindows) {
    writeFile("halvora.ini", "[S]\nk=lower\n");
    EXPECT_EQ(get("S", "k"), "lower");
    EXPECT_TRUE(WritePrivateProfileStringA("S", "k", "updated", "HALVORA.INI"));
    EXPECT_EQ(readFile("halvora.ini"), "[S]\nk=updated\n");
    EXPECT_FALSE(fs::exists(dir_ / "HALVORA.INI"));
}

TEST_F(PrivateProfileTest, TwoSpellingsWrittenAtOnceMakeOneFile) {
    // Neither exists: each writer must find, under the shared lock, what the other created.
    for (int round = 0; round < 20; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) ::_exit(WritePrivateProfileStringA("S", "upper", "1", "HALVORA.INI") ? 0 : 1);
        EXPECT_TRUE(WritePrivateProfileStringA("S", "mixed", "1", "Halvora.INI"));
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        const auto entries = folderEntries();
        const auto files =
            std::count_if(entries.begin(), entries.end(), [](const std::string& name) { return name.front() != '.'; });
        ASSERT_EQ(files, 1) << "round " << round;
        EXPECT_EQ(get("S", "upper"), "1");
        EXPECT_EQ(get("S", "mixed"), "1");
        for (const auto& name : entries) fs::remove(dir_ / name);
    }
}

TEST_F(PrivateProfileTest, TemporaryFilesOfDeadWritersAreRemovedByTheNextWrite) {
    // A pid that is gone: a child that has exited and been reaped.
    const pid_t dead = ::fork();
    ASSERT_GE(dead, 0);
    if (dead == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    const std::string stale = ".Halvora.INI." + std::to_string(dead) + ".3.tmp";
    const std::string live = ".Halvora.INI." + std::to_string(::getpid()) + ".0.tmp";
    writeFile(stale, "[half");
    writeFile(live, "[busy");
    writeFile(".Other.INI." + std::to_string(dead) + ".0.tmp", "not ours");
    EXPECT_TRUE(WritePrivateProfileStringA("S", "k", "v", "Halvora.INI"));
    const auto entries = folderEntries();
    EXPECT_EQ(std::count(entries.begin(), entries.end(), stale), 0);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), live), 1);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), ".Other.INI." + std::to_string(dead) + ".0.tmp"), 1);
}

TEST_F(PrivateProfileTest, ALockHeldTooLongFailsTheWriteInsteadOfWaitingForEver) {
    writeFile("Halvora.INI", "[S]\nk=old\n");
    // Another holder of the lock (a different open file description conflicts like another
    // process); the write gives up after the lock wait.
    const int holder = ::open((dir_ / ".halvora.ini.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    ProfileStorage::setLockWait(std::chrono::milliseconds(50));
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "new", "HALVORA.ini"));
    EXPECT_EQ(readFile("Halvora.INI"), "[S]\nk=old\n");
    ::close(holder);
    EXPECT_TRUE(WritePrivateProfileStringA("S", "k", "new", "Halvora.INI"));
}

TEST_F(PrivateProfileTest, AFileWrittenInMacRomanKeepsItsAccentsWhenChanged) {
    writeFile("Halvora.INI",
              "[Recent Printer List]\r\nPrinter1=AppleTalk PAP; 1 2 3, Z\x9Frich:LaserWriter@Caf\x8E\r\n");
    EXPECT_EQ(get("Recent Printer List", "Printer1"), "AppleTalk PAP; 1 2 3, Z\x9Frich:LaserWriter@Caf\x8E");
    EXPECT_TRUE(WritePrivateProfileStringA("Recent Printer List", "Printer2", "x", "Halvora.INI"));
    EXPECT_EQ(get("Recent Printer List", "Printer1"), "AppleTalk PAP; 1 2 3, Z\x9Frich:LaserWriter@Caf\x8E");
}

TEST_F(PrivateProfileTest, ReplacedFileKeepsItsPermissions) {
    WritePrivateProfileStringA("S", "k", "v", "Halvora.INI");
    fs::permissions(dir_ / "Halvora.INI", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    WritePrivateProfileStringA("S", "k", "w", "Halvora.INI");
    EXPECT_EQ(fs::status(dir_ / "Halvora.INI").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

} // namespace
