// SPDX-License-Identifier: MIT
// The users file: what store writes, load reads back, and what load refuses.
#include "appletalk/afp/server/auth/UserFile.h"

#include "support/TempProfileDir.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>

namespace appletalk::afp {
namespace {

class UserFileTest : public ::testing::Test {
protected:
    std::filesystem::path file() const { return folder_.path() / "share.users"; }
    void write(const std::string& text, std::filesystem::perms mode = std::filesystem::perms::owner_read) {
        std::ofstream(file()) << text;
        std::filesystem::permissions(file(), mode);
    }
    TempProfileDir folder_;
    std::string problem_;
};

TEST_F(UserFileTest, StoreWritesMode0600AndLoadReadsEveryByteBack) {
    // Separators, escapes, a comment mark, a control and Mac OS Roman letters in both fields.
    const std::string oddName = "a:b%c #\x8e";
    const std::string oddPassword = "#:%\t\xA5";
    ASSERT_TRUE(UserFile::store(file(), "alice", "old", problem_)) << problem_;
    ASSERT_TRUE(UserFile::store(file(), oddName, oddPassword, problem_)) << problem_;
    ASSERT_TRUE(UserFile::store(file(), "ALICE", "new", problem_)) << problem_;

    struct stat status {};
    ASSERT_EQ(::stat(file().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    auto users = UserFile::load(file(), problem_);
    ASSERT_TRUE(users) << problem_;
    EXPECT_EQ(users->password("Alice"), "new");
    EXPECT_EQ(users->userName("Alice"), "alice");
    EXPECT_EQ(users->password(oddName), oddPassword);
    EXPECT_FALSE(users->password("bob"));
    EXPECT_FALSE(users->empty());
    // Nothing but the file itself is left in the folder: the temporary file was renamed.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 1);
}

TEST_F(UserFileTest, StoreRefusesWhatSomeUamCouldNotCarry) {
    EXPECT_FALSE(UserFile::store(file(), "alice", "123456789", problem_));
    EXPECT_NE(problem_.find("longer than 8 bytes"), std::string::npos) << problem_;
    EXPECT_FALSE(UserFile::store(file(), "", "x", problem_));
    EXPECT_FALSE(UserFile::store(file(), "alice", "", problem_));
    EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(UserFileTest, LoadRefusesAFileOthersMayRead) {
    write("alice:x\n", std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    EXPECT_FALSE(UserFile::load(file(), problem_));
    EXPECT_NE(problem_.find("mode 0440"), std::string::npos) << problem_;
    // Setting a password mends the mode.
    ASSERT_TRUE(UserFile::store(file(), "bob", "y", problem_)) << problem_;
    auto users = UserFile::load(file(), problem_);
    ASSERT_TRUE(users) << problem_;
    EXPECT_EQ(users->password("alice"), "x");
}

TEST_F(UserFileTest, MalformedLinesAreNamedByNumber) {
    for (const auto& [text, line] :
         std::vector<std::pair<std::string, std::string>>{{"# users\n\nalice:x\nno separator\n", "line 4"},
                                                          {"alice:x\nAlice:y\n", "line 2"},
                                                          {"alice:bad%4\n", "line 1"},
                                                          {"alice:123456789\n", "line 1"},
                                                          {"alice:\xff\n", "line 1"}}) {
        write(text);
        EXPECT_FALSE(UserFile::load(file(), problem_)) << text;
        EXPECT_NE(problem_.find(line + ":"), std::string::npos) << problem_;
        EXPECT_FALSE(UserFile::store(file(), "carol", "z", problem_)) << "a broken file is not overwritten";
        std::filesystem::remove(file());
    }
}

} // namespace
} // namespace appletalk::afp
