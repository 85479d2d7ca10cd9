// SPDX-License-Identifier: MIT
// The desktop database in a temporary folder: what is stored reads back after a reopen, in
// order, within bounds; files that are not ours are refused with a reason.
#include "appletalk/afp/VolumeFixture.h"
#include "appletalk/afp/volume/DesktopDatabase.h"
#include "appletalk/afp/volume/IdDatabase.h"

#include <gtest/gtest.h>

namespace appletalk::afp {
namespace {

constexpr std::uint32_t kCreator = 0x54455854; // 'TEXT'
constexpr std::uint32_t kOtherCreator = 0x4D505353;
constexpr std::uint8_t kLargeIcon = 1, kSmallIcon = 4, kLarge8BitIcon = 3;

std::unique_ptr<DesktopDatabase> openDesktop(const fs::path& file, bool readOnly = false) {
    std::string problem;
    auto database = DesktopDatabase::open(file, readOnly, problem);
    EXPECT_TRUE(database) << problem;
    return database;
}

TEST(DesktopDatabase, IconsAndApplicationsReadBackInOrderAfterAReopen) {
    VolumeFixture folder;
    const auto file = folder.beside("share.desktop");
    const std::vector<std::uint8_t> large(256, 0x0F), small(64, 0xF0), replaced(256, 0x55);
    {
        auto desktop = openDesktop(file);
        ASSERT_EQ(desktop->addIcon({kCreator, 0x41504C50, kLargeIcon}, 1, large), VolumeError::None);
        ASSERT_EQ(desktop->addIcon({kCreator, 0x54455854, kSmallIcon}, 2, small), VolumeError::None);
        ASSERT_EQ(desktop->addIcon({kCreator, 0x41504C50, kLargeIcon}, 3, replaced), VolumeError::None);
        EXPECT_EQ(desktop->addIcon({kCreator, 1, kLargeIcon}, 0, std::vector<std::uint8_t>(257)),
                  VolumeError::TooLarge);
        EXPECT_EQ(desktop->addIcon({kCreator, 1, 99}, 0, std::vector<std::uint8_t>(1025)), VolumeError::TooLarge);
        ASSERT_EQ(desktop->addIcon({kCreator, 1, kLarge8BitIcon}, 4, std::vector<std::uint8_t>(1024)),
                  VolumeError::None);
        ASSERT_EQ(desktop->addApplication(kCreator, 100, 7), VolumeError::None);
        ASSERT_EQ(desktop->addApplication(kCreator, 200, 8), VolumeError::None);
        ASSERT_EQ(desktop->addApplication(kOtherCreator, 300, 9), VolumeError::None);
        EXPECT_EQ(desktop->removeApplication(kCreator, 999), VolumeError::NotFound);
    }
    auto desktop = openDesktop(file);
    EXPECT_EQ(desktop->icon({kCreator, 0x41504C50, kLargeIcon}), replaced);
    EXPECT_EQ(desktop->icon({kCreator, 0x41504C50, kSmallIcon}), std::nullopt);
    const auto first = desktop->iconInfo(kCreator, 1);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->tag, 3u) << "replaced in its place";
    EXPECT_EQ(first->type, 0x41504C50u);
    EXPECT_EQ(first->size, 256);
    EXPECT_EQ(desktop->iconInfo(kCreator, 2)->iconType, kSmallIcon);
    EXPECT_EQ(desktop->iconInfo(kCreator, 3)->size, 1024);
    EXPECT_FALSE(desktop->iconInfo(kCreator, 4));
    EXPECT_FALSE(desktop->iconInfo(kCreator, 0));
    EXPECT_FALSE(desktop->iconInfo(kOtherCreator, 1));

    EXPECT_EQ(desktop->application(kCreator, 1)->fileId, 100u);
    EXPECT_EQ(desktop->application(kCreator, 2)->applTag, 8u);
    EXPECT_FALSE(desktop->application(kCreator, 3));
    ASSERT_EQ(desktop->removeApplication(kCreator, 100), VolumeError::None);
    EXPECT_EQ(desktop->application(kCreator, 1)->fileId, 200u);
    desktop.reset();

    auto readOnly = openDesktop(file, true);
    EXPECT_EQ(readOnly->icon({kCreator, 0x41504C50, kLargeIcon}), replaced);
    EXPECT_EQ(readOnly->addApplication(kCreator, 1, 1), VolumeError::ReadOnly);
    auto never = openDesktop(folder.beside("never.desktop"), true);
    EXPECT_FALSE(never->iconInfo(kCreator, 1));
    EXPECT_FALSE(fs::exists(folder.beside("never.desktop")));
}

TEST(DesktopDatabase, GarbageAndOtherDatabasesAreRefusedWithAReason) {
    VolumeFixture folder;
    const auto garbage = folder.beside("garbage.desktop");
    std::ofstream(garbage) << std::string(4096, 'x');
    std::string problem;
    EXPECT_FALSE(DesktopDatabase::open(garbage, false, problem));
    EXPECT_NE(problem.find("garbage.desktop: not a desktop database"), std::string::npos) << problem;

    const auto ids = folder.beside("share.ids");
    ASSERT_TRUE(IdDatabase::open(ids, problem));
    problem.clear();
    EXPECT_FALSE(DesktopDatabase::open(ids, false, problem));
    EXPECT_NE(problem.find("another program"), std::string::npos) << problem;
}

} // namespace
} // namespace appletalk::afp
