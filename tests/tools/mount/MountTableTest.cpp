// SPDX-License-Identifier: MIT
#include "tools/mount/MountTable.h"

#include <gtest/gtest.h>

namespace vidur::mount {
namespace {

TEST(MountTable, FindsOurMountByItsEscapedPointAndTypeOnly) {
    const std::string table =
        "22 1 0:21 / /proc rw,nosuid shared:12 - proc proc rw\n"
        "45 26 0:39 / /tmp/My\\040Disk rw,nosuid,nodev shared:3 master:1 - fuse.vidur Attic:Projects rw\n"
        "46 26 0:40 / /tmp/other rw - fuse.sshfs host: rw\n";
    EXPECT_TRUE(MountTable::listsOurs(table, "/tmp/My Disk"));
    EXPECT_FALSE(MountTable::listsOurs(table, "/tmp/My\\040Disk"));
    EXPECT_FALSE(MountTable::listsOurs(table, "/tmp/other")); // another FUSE file system
    EXPECT_FALSE(MountTable::listsOurs(table, "/proc"));
    EXPECT_FALSE(MountTable::listsOurs("45 26 0:39 / /tmp/x rw", "/tmp/x")); // cut short
}

} // namespace
} // namespace vidur::mount
