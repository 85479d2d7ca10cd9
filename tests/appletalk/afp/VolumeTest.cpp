// SPDX-License-Identifier: MIT
#include "appletalk/afp/VolumeFixture.h"
#include "appletalk/afp/volume/AccessRights.h"
#include "appletalk/afp/volume/MacName.h"
#include "appletalk/afp/volume/Volume.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/xattr.h>
#include <unistd.h>

namespace appletalk::afp {
namespace {

const EntryInfo* find(const std::vector<EntryInfo>& entries, std::string_view macName) {
    for (const auto& entry : entries)
        if (entry.macName == macName) return &entry;
    return nullptr;
}

class VolumeStorage : public ::testing::TestWithParam<MetadataStore::Storage> {};

TEST_P(VolumeStorage, MetadataAndAMegabyteResourceForkReadBackAfterAReopen) {
    VolumeFixture folder;
    const auto storage = GetParam();
    std::string resource(1 << 20, '\0');
    for (std::size_t i = 0; i < resource.size(); ++i) resource[i] = static_cast<char>(i * 7);
    ParameterChanges changes;
    changes.finderInfo = std::array<std::uint8_t, 32>{'A', 'P', 'P', 'L', 'a', 'b', 'c', 'd'};
    changes.comment = "kept beside the file";
    changes.created = 123456;
    changes.backedUp = 654321;
    changes.attributes = 0x0001;
    std::uint32_t id = 0;
    {
        auto volume = folder.open(storage);
        id = volume->createFile(Volume::kRootId, "App").value;
        ASSERT_NE(id, 0u);
        ASSERT_EQ(volume->setParameters(Volume::kRootId, "App", changes), VolumeError::None);
        auto fork = volume->openFork(Volume::kRootId, "App", ForkKind::Resource, true);
        ASSERT_TRUE(fork.ok());
        ASSERT_EQ(fork.value->write(0, {reinterpret_cast<const std::uint8_t*>(resource.data()), resource.size()}),
                  VolumeError::None);
        auto data = volume->openFork(Volume::kRootId, "App", ForkKind::Data, true);
        ASSERT_EQ(data.value->write(0, {reinterpret_cast<const std::uint8_t*>("data"), 4}), VolumeError::None);
    }
    auto volume = folder.open(storage);
    const auto info = volume->parameters(Volume::kRootId, "App");
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info.value.id, id);
    EXPECT_EQ(info.value.finderInfo, *changes.finderInfo);
    EXPECT_EQ(info.value.comment, *changes.comment);
    EXPECT_EQ(info.value.created, *changes.created);
    EXPECT_EQ(info.value.backedUp, *changes.backedUp);
    EXPECT_EQ(info.value.attributes, *changes.attributes);
    EXPECT_EQ(info.value.dataSize, 4u);
    EXPECT_EQ(info.value.resourceSize, resource.size());
    auto fork = volume->openFork(Volume::kRootId, "App", ForkKind::Resource, false);
    ASSERT_TRUE(fork.ok());
    EXPECT_TRUE(readAll(*fork.value) == resource);

    // Where it went: the attribute, or the "._" file alone.
    char probe[512];
    const bool inAttribute = ::getxattr((folder.root() / "App").c_str(), kAttribute, probe, sizeof probe) == 402;
    EXPECT_EQ(inAttribute, storage == MetadataStore::Storage::ExtendedAttributes);
    EXPECT_TRUE(fs::exists(folder.root() / "._App"));
    ASSERT_TRUE(volume->enumerate(Volume::kRootId).ok());
    EXPECT_EQ(volume->enumerate(Volume::kRootId).value.size(), 1u) << "the \"._\" file is not shown";
}

INSTANTIATE_TEST_SUITE_P(BothStorages, VolumeStorage,
                         ::testing::Values(MetadataStore::Storage::ExtendedAttributes, MetadataStore::Storage::Sidecar),
                         [](const auto& row) {
                             return row.param == MetadataStore::Storage::Sidecar ? "Sidecar" : "Attributes";
                         });

TEST(Volume, IdsSurviveRenamesMovesReopensAndMovesBehindItsBack) {
    VolumeFixture folder;
    std::uint32_t fileId = 0;
    std::uint32_t folderId = 0;
    {
        auto volume = folder.open();
        folderId = volume->createDirectory(Volume::kRootId, "Stuff").value;
        fileId = volume->createFile(Volume::kRootId, "Letter").value;
        ASSERT_NE(folderId, 0u);
        ASSERT_NE(fileId, 0u);
        ASSERT_EQ(volume->move(Volume::kRootId, "Letter", Volume::kRootId, "Note"), VolumeError::None);
        ASSERT_EQ(volume->move(Volume::kRootId, "Note", folderId, "Note 2"), VolumeError::None);
        EXPECT_EQ(volume->move(Volume::kRootId, "Stuff", folderId, "Stuff"), VolumeError::CannotMove)
            << "a folder into itself";
    }
    auto volume = folder.open();
    EXPECT_EQ(volume->parameters(folderId, "Note 2").value.id, fileId);
    EXPECT_EQ(volume->pathOf(fileId).value, "Stuff/Note 2");
    EXPECT_EQ(volume->idOf("Stuff/Note 2").value, fileId);

    // Renamed in its folder behind the server's back: found by its inode.
    fs::rename(folder.root() / "Stuff/Note 2", folder.root() / "Stuff/Renamed");
    EXPECT_EQ(volume->pathOf(fileId).value, "Stuff/Renamed");
    // Moved to another folder: found by the ID in its metadata when seen there.
    fs::rename(folder.root() / "Stuff/Renamed", folder.root() / "Moved");
    const auto listing = volume->enumerate(Volume::kRootId);
    ASSERT_TRUE(listing.ok());
    ASSERT_NE(find(listing.value, "Moved"), nullptr);
    EXPECT_EQ(find(listing.value, "Moved")->id, fileId);
    // A copy with the same metadata is another file, with an ID of its own.
    fs::copy_file(folder.root() / "Moved", folder.root() / "Copy");
    char record[512];
    const auto size = ::getxattr((folder.root() / "Moved").c_str(), kAttribute, record, sizeof record);
    ASSERT_GT(size, 0);
    ASSERT_EQ(::setxattr((folder.root() / "Copy").c_str(), kAttribute, record, static_cast<std::size_t>(size), 0), 0);
    const auto copyId = volume->parameters(Volume::kRootId, "Copy").value.id;
    EXPECT_NE(copyId, 0u);
    EXPECT_NE(copyId, fileId);
    EXPECT_EQ(volume->parameters(Volume::kRootId, "Moved").value.id, fileId);
    // Saved anew under its name behind the server's back, as editors do: the name keeps its ID.
    folder.writeFile("Copy.new", "saved again");
    fs::rename(folder.root() / "Copy.new", folder.root() / "Copy");
    EXPECT_EQ(volume->parameters(Volume::kRootId, "Copy").value.id, copyId);

    ASSERT_EQ(volume->remove(Volume::kRootId, "Moved"), VolumeError::None);
    EXPECT_EQ(volume->pathOf(fileId).error, VolumeError::NotFound);
}

class VolumeResolution : public ::testing::TestWithParam<BeneathOpener::Method> {};

TEST_P(VolumeResolution, NothingOutsideTheFolderIsReached) {
    VolumeFixture folder;
    fs::create_directory_symlink("/etc", folder.root() / "etc");
    fs::create_symlink("../share.ids", folder.root() / "database");
    folder.writeFile("inside", "fine");
    fs::create_symlink("inside", folder.root() / "link");
    auto volume = folder.open(MetadataStore::Storage::ExtendedAttributes, GetParam());

    const auto listing = volume->enumerate(Volume::kRootId);
    ASSERT_TRUE(listing.ok());
    EXPECT_EQ(find(listing.value, "etc"), nullptr);
    EXPECT_EQ(find(listing.value, "database"), nullptr);
    EXPECT_EQ(volume->parameters(Volume::kRootId, "etc").error, VolumeError::Outside);
    EXPECT_FALSE(volume->openFork(Volume::kRootId, "database", ForkKind::Data, false).ok());
    EXPECT_EQ(volume->idOf("etc/passwd").error, VolumeError::Outside);
    EXPECT_EQ(volume->idOf("../share.ids").error, VolumeError::Outside);
    EXPECT_EQ(volume->idOf("/etc/passwd").error, VolumeError::Outside);
    EXPECT_EQ(volume->createFile(Volume::kRootId, "..").error, VolumeError::BadName);
    EXPECT_EQ(volume->parameters(Volume::kRootId, "..").error, VolumeError::BadName);
    EXPECT_EQ(volume->enumerate(123456).error, VolumeError::NotFound) << "an ID never given";
    // A folder the server gave an ID, swapped for a link out behind its back.
    const auto folderId = volume->createDirectory(Volume::kRootId, "swapped").value;
    fs::remove(folder.root() / "swapped");
    fs::create_directory_symlink("/etc", folder.root() / "swapped");
    EXPECT_FALSE(volume->enumerate(folderId).ok());
    EXPECT_FALSE(volume->parameters(folderId, "passwd").ok());

    // A link that stays inside is served where the kernel can tell; a walk refuses them all.
    const bool followed = volume->parameters(Volume::kRootId, "link").ok();
    EXPECT_EQ(followed, GetParam() == BeneathOpener::Method::Kernel);
}

INSTANTIATE_TEST_SUITE_P(BothMethods, VolumeResolution,
                         ::testing::Values(BeneathOpener::Method::Kernel, BeneathOpener::Method::CheckedWalk),
                         [](const auto& row) {
                             return row.param == BeneathOpener::Method::Kernel ? "Kernel" : "CheckedWalk";
                         });

TEST(Volume, MangledNamesReadBackToTheSameFile) {
    VolumeFixture folder;
    const std::string linuxName = "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82.txt";
    folder.writeFile(linuxName, "report");
    folder.writeFile("Bericht.txt", "other");
    auto volume = folder.open();
    const auto listing = volume->enumerate(Volume::kRootId);
    ASSERT_TRUE(listing.ok());
    ASSERT_NE(find(listing.value, macNameFor(linuxName)), nullptr);
    auto fork = volume->openFork(Volume::kRootId, macNameFor(linuxName), ForkKind::Data, false);
    ASSERT_TRUE(fork.ok());
    EXPECT_EQ(readAll(*fork.value), "report");
}

TEST_P(VolumeStorage, AnotherProgramsAppleDoubleFileIsReadThenRewrittenAsOurs) {
    VolumeFixture folder;
    folder.writeFile("Doc", "data");
    // As another program leaves it: Finder info at 50, then a five-byte resource fork.
    AppleDoubleHeader header;
    header.entries = {{9, 50, 32}, {2, 82, 5}};
    auto bytes = header.serialize();
    bytes.resize(50, 0);
    const std::string rest = std::string("TEXTttxt") + std::string(24, '\0') + "hello";
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    std::ofstream(folder.root() / "._Doc", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    auto volume = folder.open(GetParam());
    const auto before = volume->parameters(Volume::kRootId, "Doc");
    ASSERT_TRUE(before.ok());
    EXPECT_EQ(std::string(before.value.finderInfo.begin(), before.value.finderInfo.begin() + 8), "TEXTttxt");
    EXPECT_EQ(before.value.resourceSize, 5u);

    auto fork = volume->openFork(Volume::kRootId, "Doc", ForkKind::Resource, true);
    ASSERT_TRUE(fork.ok());
    ASSERT_EQ(fork.value->write(5, {reinterpret_cast<const std::uint8_t*>(" world"), 6}), VolumeError::None);
    EXPECT_EQ(readAll(*fork.value), "hello world");
    EXPECT_EQ(fs::file_size(folder.root() / "._Doc"), kSidecarHeadBytes + 11) << "rewritten in our layout";
    const auto after = volume->parameters(Volume::kRootId, "Doc");
    EXPECT_EQ(after.value.finderInfo, before.value.finderInfo);
    EXPECT_EQ(after.value.id, before.value.id);
}

TEST(Volume, ReadOnlyVolumesRefuseEveryChange) {
    VolumeFixture folder;
    folder.writeFile("file", "text");
    auto volume = folder.open(MetadataStore::Storage::ExtendedAttributes, BeneathOpener::Method::Kernel, true);
    EXPECT_EQ(volume->createFile(Volume::kRootId, "new").error, VolumeError::ReadOnly);
    EXPECT_EQ(volume->createDirectory(Volume::kRootId, "new").error, VolumeError::ReadOnly);
    EXPECT_EQ(volume->remove(Volume::kRootId, "file"), VolumeError::ReadOnly);
    EXPECT_EQ(volume->move(Volume::kRootId, "file", Volume::kRootId, "moved"), VolumeError::ReadOnly);
    EXPECT_EQ(volume->setParameters(Volume::kRootId, "file", {}), VolumeError::ReadOnly);
    EXPECT_EQ(volume->openFork(Volume::kRootId, "file", ForkKind::Resource, true).error, VolumeError::ReadOnly);
    const auto info = volume->parameters(Volume::kRootId, "file");
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info.value.accessRights & (kMakeChanges << 24), 0u);
    EXPECT_FALSE(fs::exists(folder.root() / "._file"));
    char probe[8];
    EXPECT_LT(::getxattr((folder.root() / "file").c_str(), kAttribute, probe, sizeof probe), 0)
        << "nothing written, not even the ID";
}

TEST(Volume, ADatabaseKeptInTheRootIsNeverShownNorReached) {
    VolumeFixture folder;
    auto volume = folder.open(MetadataStore::Storage::ExtendedAttributes, BeneathOpener::Method::Kernel, false,
                              folder.root() / ".ids");
    ASSERT_TRUE(volume->createFile(Volume::kRootId, "file").ok());
    const auto listing = volume->enumerate(Volume::kRootId);
    ASSERT_TRUE(listing.ok());
    EXPECT_EQ(listing.value.size(), 1u);
    EXPECT_EQ(volume->remove(Volume::kRootId, ".ids"), VolumeError::NotFound);
    EXPECT_EQ(volume->createFile(Volume::kRootId, ".ids-journal").error, VolumeError::BadName);
}

TEST(Volume, FoldersGoOnlyWhenEmptyOfAllButAppleDoubleLeftovers) {
    VolumeFixture folder;
    auto volume = folder.open(MetadataStore::Storage::Sidecar);
    const auto id = volume->createDirectory(Volume::kRootId, "Box").value;
    ASSERT_TRUE(volume->createFile(id, "Thing").ok());
    EXPECT_EQ(volume->remove(Volume::kRootId, "Box"), VolumeError::NotEmpty);
    folder.writeFile("Box/._Gone", "left behind");
    ASSERT_EQ(volume->remove(id, "Thing"), VolumeError::None);
    EXPECT_FALSE(fs::exists(folder.root() / "Box/._Thing"));
    EXPECT_EQ(volume->remove(Volume::kRootId, "Box"), VolumeError::None);
    EXPECT_FALSE(fs::exists(folder.root() / "Box"));
    EXPECT_FALSE(fs::exists(folder.root() / "._Box"));
}

TEST(AccessRights, ModeBitsShowAsAfpRights) {
    struct stat status {};
    status.st_mode = S_IFDIR | 0754;
    status.st_uid = 1000;
    status.st_gid = 100;
    const gid_t groups[] = {100};
    EXPECT_EQ(accessRightsFor(status, {1000, 1000, {}}, false), 0x87030307u) << "the owner";
    EXPECT_EQ(accessRightsFor(status, {2000, 2000, groups}, false), 0x03030307u) << "in the group";
    EXPECT_EQ(accessRightsFor(status, {1000, 1000, {}}, true), 0x83030303u) << "read-only volume";
}

} // namespace
} // namespace appletalk::afp
