// SPDX-License-Identifier: MIT
// A profile file that exists but cannot be read answers as a missing one does to readers,
// and refuses writers, without anything thrown.
#include "text/ProfileStorage.h"

#include "support/TempProfileDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using vidur::text::ProfileStorage;

namespace {

TEST(ProfileStorage, AFolderInPlaceOfTheFileReadsAsEmptyAndRefusesWrites) {
    TempProfileDir profile;
    const auto path = profile.path() / "Halvora.INI";
    std::filesystem::create_directory(path);

    const ProfileStorage::Reading reading = ProfileStorage::readFile(path);
    EXPECT_EQ(reading.state, ProfileStorage::Reading::State::Unreadable);
    EXPECT_EQ(reading.problem, "Is a directory");
    EXPECT_TRUE(ProfileStorage::read(path).getSectionNames().empty());
    EXPECT_EQ(ProfileStorage::getValue("Halvora.INI", "Recent Printer List", "Printer1"), std::nullopt);
    EXPECT_FALSE(ProfileStorage::setValue("Halvora.INI", "Recent Printer List", "Printer1", "x"));
    EXPECT_TRUE(std::filesystem::is_directory(path)) << "a write replaced what it could not read";

    EXPECT_EQ(ProfileStorage::readFile(profile.path() / "Missing.INI").state, ProfileStorage::Reading::State::Missing);
}

} // namespace
