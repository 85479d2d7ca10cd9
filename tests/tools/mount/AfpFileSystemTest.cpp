// SPDX-License-Identifier: MIT
// The mount's file operations on a real server session over a temporary folder (in process,
// no kernel between): what a create does to a file that is already there, the extended
// attributes' sizes, and a session lost.
#include "tools/mount/AfpFileSystem.h"

#include "support/InProcessAfpVolume.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <sys/xattr.h>

namespace vidur::mount {
namespace {

class AfpFileSystemTest : public ::testing::Test {
protected:
    std::string contents(const char* name) {
        std::ifstream in(served_.share() / name);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    vidur::testing::InProcessVolume served_;
    AfpFileSystem fileSystem_{*served_.volume, MountIdentity{::getuid(), ::getgid(), false}};
};

TEST_F(AfpFileSystemTest, ACreateMeetingAFileOpensItAndEmptiesItOnlyWhenAsked) {
    // Another client made the file after the kernel looked: O_CREAT alone opens it as it is.
    std::ofstream(served_.share() / "Notes") << "kept";
    std::uint64_t handle = 0;
    ASSERT_EQ(fileSystem_.create("/Notes", O_CREAT | O_WRONLY, handle), 0);
    EXPECT_EQ(fileSystem_.release(handle), 0);
    EXPECT_EQ(contents("Notes"), "kept");
    EXPECT_EQ(fileSystem_.create("/Notes", O_CREAT | O_EXCL | O_WRONLY, handle), -EEXIST);
    ASSERT_EQ(fileSystem_.create("/Notes", O_CREAT | O_TRUNC | O_WRONLY, handle), 0);
    EXPECT_EQ(fileSystem_.release(handle), 0);
    EXPECT_EQ(contents("Notes"), "");
}

TEST_F(AfpFileSystemTest, AttributesAnswerTheirSizeAndNeverCutBytes) {
    std::uint64_t handle = 0;
    ASSERT_EQ(fileSystem_.create("/Doc", O_CREAT | O_EXCL | O_WRONLY, handle), 0);
    ASSERT_EQ(fileSystem_.release(handle), 0);
    char buffer[64] = {};
    EXPECT_EQ(fileSystem_.getxattr("/Doc", "user.com.apple.FinderInfo", buffer, sizeof buffer), -ENODATA);
    EXPECT_EQ(fileSystem_.listxattr("/Doc", buffer, sizeof buffer), 0);
    const std::string finderInfo = std::string("TEXTttxt") + std::string(24, '\0');
    EXPECT_EQ(fileSystem_.setxattr("/Doc", "user.com.apple.FinderInfo", finderInfo.data(), 31, 0), -EINVAL);
    ASSERT_EQ(fileSystem_.setxattr("/Doc", "user.com.apple.FinderInfo", finderInfo.data(), 32, 0), 0);
    EXPECT_EQ(fileSystem_.getxattr("/Doc", "user.com.apple.FinderInfo", nullptr, 0), 32);
    EXPECT_EQ(fileSystem_.getxattr("/Doc", "user.com.apple.FinderInfo", buffer, 16), -ERANGE);
    ASSERT_EQ(fileSystem_.getxattr("/Doc", "user.com.apple.FinderInfo", buffer, sizeof buffer), 32);
    EXPECT_EQ(std::string(buffer, 32), finderInfo);

    const std::string fork(10000, 'r'); // over two ASP transfers
    EXPECT_EQ(fileSystem_.setxattr("/Doc", "user.com.apple.ResourceFork", fork.data(), fork.size(), XATTR_REPLACE),
              -ENODATA);
    ASSERT_EQ(fileSystem_.setxattr("/Doc", "user.com.apple.ResourceFork", fork.data(), fork.size(), XATTR_CREATE), 0);
    std::string back(fork.size(), '\0');
    EXPECT_EQ(fileSystem_.getxattr("/Doc", "user.com.apple.ResourceFork", back.data(), back.size() - 1), -ERANGE);
    ASSERT_EQ(fileSystem_.getxattr("/Doc", "user.com.apple.ResourceFork", back.data(), back.size()), 10000);
    EXPECT_EQ(back, fork);
    const std::string names = std::string("user.com.apple.ResourceFork") + '\0' + "user.com.apple.FinderInfo" + '\0';
    ASSERT_EQ(fileSystem_.listxattr("/Doc", nullptr, 0), static_cast<int>(names.size()));
    EXPECT_EQ(fileSystem_.listxattr("/Doc", buffer, 10), -ERANGE);
}

TEST_F(AfpFileSystemTest, ASessionLostAnswersEioAtOnceFromThenOn) {
    struct stat status {};
    ASSERT_EQ(fileSystem_.getattr("/", status), 0);
    served_.transport->failing = true;
    EXPECT_EQ(fileSystem_.getattr("/", status), -EIO);
    const int calls = served_.transport->calls;
    EXPECT_EQ(fileSystem_.mkdir("/New"), -EIO);
    EXPECT_TRUE(fileSystem_.gone());
    EXPECT_EQ(served_.transport->calls, calls);
}

} // namespace
} // namespace vidur::mount
