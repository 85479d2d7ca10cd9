// SPDX-License-Identifier: MIT
// `vidur passwd` as a user runs it, the password on standard input, and the file it writes
// read by the server's own loader.
#include "appletalk/afp/server/auth/UserFile.h"

#include "VidurProcess.h"
#include "support/TempProfileDir.h"

#include <gtest/gtest.h>

namespace appletalk::afp {
namespace {

using vidur::cli::testing::VidurProcess;

vidur::cli::testing::ProcessResult passwd(const std::string& input, const std::string& file, const std::string& user) {
    // The shell pipes the line in: VidurProcess gives the binary /dev/null.
    return VidurProcess::runProgram(
        "/bin/sh", {"-c", "printf '%s' \"$1\" | \"$0\" passwd --file \"$2\" \"$3\"", VIDUR_BINARY, input, file, user},
        {}, std::chrono::seconds(60));
}

TEST(PasswdEndToEndTest, SetsPasswordsTheServerReadsAndRefusesWithAReason) {
    TempProfileDir folder;
    const std::string file = (folder.path() / "share.users").string();
    EXPECT_EQ(passwd("s\xC3\xA9same\n", file, "Ren\xC3\xA9").exitCode, 0); // UTF-8 in, Mac OS Roman stored
    EXPECT_EQ(passwd("second\n", file, "bob").exitCode, 0);

    const auto tooLong = passwd("123456789\n", file, "bob");
    EXPECT_EQ(tooLong.exitCode, 2);
    EXPECT_NE(tooLong.err.find("longer than 8 bytes"), std::string::npos) << tooLong.err;
    const auto none = passwd("", file, "bob");
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_NE(none.err.find("no password"), std::string::npos) << none.err;
    EXPECT_EQ(none.out.find("second"), std::string::npos);

    std::string problem;
    const auto users = UserFile::load(file, problem);
    ASSERT_TRUE(users) << problem;
    EXPECT_EQ(users->password("REN\x83"), "s\x8esame");
    EXPECT_EQ(users->password("bob"), "second");
}

} // namespace
} // namespace appletalk::afp
