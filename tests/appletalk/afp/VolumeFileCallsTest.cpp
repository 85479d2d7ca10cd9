// SPDX-License-Identifier: MIT
// CopyFile, ExchangeFiles and the file ID calls on a volume in a temporary folder.
#include "appletalk/afp/VolumeFixture.h"
#include "appletalk/afp/volume/Volume.h"

#include <gtest/gtest.h>

#include <span>

namespace appletalk::afp {
namespace {

std::span<const std::uint8_t> bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// A file with both forks, Finder info and a comment.
void makeFile(Volume& volume, std::uint32_t folder, const std::string& name, const std::string& data,
              const std::string& resource, std::uint8_t finderByte, std::uint16_t attributes = 0) {
    ASSERT_TRUE(volume.createFile(folder, name).ok());
    auto dataFork = volume.openFork(folder, name, ForkKind::Data, true);
    ASSERT_TRUE(dataFork.ok());
    ASSERT_EQ(dataFork.value->write(0, bytes(data)), VolumeError::None);
    if (!resource.empty()) {
        auto resourceFork = volume.openFork(folder, name, ForkKind::Resource, true);
        ASSERT_TRUE(resourceFork.ok());
        ASSERT_EQ(resourceFork.value->write(0, bytes(resource)), VolumeError::None);
    }
    ParameterChanges changes;
    changes.finderInfo.emplace();
    changes.finderInfo->fill(finderByte);
    changes.comment = "comment of " + name;
    changes.created = 1000 + finderByte;
    changes.attributes = attributes;
    ASSERT_EQ(volume.setParameters(folder, name, changes), VolumeError::None);
}

std::string fork(Volume& volume, std::uint32_t folder, const std::string& name, ForkKind kind) {
    auto opened = volume.openFork(folder, name, kind, false);
    return opened.ok() ? readAll(*opened.value) : "(cannot open)";
}

class VolumeFileCalls : public ::testing::TestWithParam<MetadataStore::Storage> {
protected:
    VolumeFixture folder;
    std::unique_ptr<Volume> volume = folder.open(GetParam());
};

INSTANTIATE_TEST_SUITE_P(BothStorages, VolumeFileCalls,
                         ::testing::Values(MetadataStore::Storage::ExtendedAttributes, MetadataStore::Storage::Sidecar),
                         [](const auto& row) {
                             return row.param == MetadataStore::Storage::Sidecar ? "Sidecar" : "Attributes";
                         });

TEST_P(VolumeFileCalls, CopyCarriesBothForksAndMetadataUnderANewId) {
    constexpr std::uint16_t kInvisible = 1 << 0, kDataAlreadyOpen = 1 << 3, kCopyProtect = 1 << 10;
    makeFile(*volume, Volume::kRootId, "App", "data fork", "resource fork", 0xA5, kInvisible | kDataAlreadyOpen);
    const auto box = volume->createDirectory(Volume::kRootId, "Box").value;
    const auto original = volume->parameters(Volume::kRootId, "App").value;

    const auto copied = volume->copyFile(Volume::kRootId, "App", box, "");
    ASSERT_TRUE(copied.ok()) << describe(copied.error);
    const auto copy = volume->parameters(box, "App");
    ASSERT_TRUE(copy.ok());
    EXPECT_EQ(copy.value.id, copied.value);
    EXPECT_NE(copied.value, original.id);
    EXPECT_EQ(volume->parameters(Volume::kRootId, "App").value.id, original.id);
    EXPECT_EQ(fork(*volume, box, "App", ForkKind::Data), "data fork");
    EXPECT_EQ(fork(*volume, box, "App", ForkKind::Resource), "resource fork");
    EXPECT_EQ(copy.value.finderInfo, original.finderInfo);
    EXPECT_EQ(copy.value.comment, "comment of App");
    EXPECT_EQ(copy.value.created, original.created);
    EXPECT_EQ(copy.value.modified, original.modified);
    EXPECT_EQ(copy.value.attributes, kInvisible) << "the original's open state stays with it";

    EXPECT_EQ(volume->copyFile(Volume::kRootId, "App", box, "").error, VolumeError::Exists);
    EXPECT_EQ(volume->copyFile(Volume::kRootId, "Box", box, "Box 2").error, VolumeError::WrongKind);
    ASSERT_TRUE(volume->copyFile(Volume::kRootId, "App", Volume::kRootId, "App copy").ok());
    EXPECT_EQ(fork(*volume, Volume::kRootId, "App copy", ForkKind::Resource), "resource fork");
    ParameterChanges protect;
    protect.attributes = kCopyProtect;
    ASSERT_EQ(volume->setParameters(Volume::kRootId, "App", protect), VolumeError::None);
    EXPECT_EQ(volume->copyFile(Volume::kRootId, "App", box, "Again").error, VolumeError::AccessDenied);

    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.root() / "Box")) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"._App", "App"})) << "no work files left behind";
}

TEST_P(VolumeFileCalls, ExchangeMovesContentsAndLeavesNamesAndIds) {
    const auto box = volume->createDirectory(Volume::kRootId, "Box").value;
    makeFile(*volume, Volume::kRootId, "Doc", "old text", "old resources", 0x11);
    makeFile(*volume, box, "Saved", "new text", "", 0x22);
    const auto docId = volume->createFileId(Volume::kRootId, "Doc").value;
    const auto savedId = volume->parameters(box, "Saved").value.id;
    ASSERT_NE(docId, 0u);

    ASSERT_EQ(volume->exchangeFiles(Volume::kRootId, "Doc", box, "Saved"), VolumeError::None);
    volume.reset();
    volume = folder.open(GetParam());
    const auto doc = volume->parameters(Volume::kRootId, "Doc").value;
    const auto saved = volume->parameters(box, "Saved").value;
    EXPECT_EQ(doc.id, docId);
    EXPECT_EQ(saved.id, savedId);
    EXPECT_EQ(fork(*volume, Volume::kRootId, "Doc", ForkKind::Data), "new text");
    EXPECT_EQ(doc.resourceSize, 0u);
    EXPECT_EQ(doc.finderInfo[0], 0x22);
    EXPECT_EQ(doc.comment, "comment of Saved");
    EXPECT_EQ(fork(*volume, box, "Saved", ForkKind::Data), "old text");
    EXPECT_EQ(fork(*volume, box, "Saved", ForkKind::Resource), "old resources");
    EXPECT_EQ(saved.finderInfo[0], 0x11);
    EXPECT_EQ(volume->resolveFileId(docId).value.macName, "Doc") << "the file ID stays with the name";

    EXPECT_EQ(volume->exchangeFiles(Volume::kRootId, "Doc", Volume::kRootId, "Doc"), VolumeError::SameObject);
    EXPECT_EQ(volume->exchangeFiles(Volume::kRootId, "Doc", Volume::kRootId, "Box"), VolumeError::WrongKind);
}

TEST(VolumeFileCalls, ACopyThatFailsMidwayLeavesNothingBehind) {
    VolumeFixture folder;
    auto volume = folder.open();
    const auto box = volume->createDirectory(Volume::kRootId, "Box").value;
    makeFile(*volume, Volume::kRootId, "App", "data fork", "resource fork", 0x33);
    // The data fork and the metadata copy; the resource fork's file then cannot be read.
    folder.writeFile("._App", "not AppleDouble at all");
    EXPECT_EQ(volume->copyFile(Volume::kRootId, "App", box, "").error, VolumeError::Io);
    EXPECT_TRUE(fs::is_empty(folder.root() / "Box"));
    EXPECT_EQ(volume->parameters(box, "App").error, VolumeError::NotFound);
}

TEST(VolumeFileCalls, FileIdsAnswerAsCreateResolveAndDeleteId) {
    VolumeFixture folder;
    auto volume = folder.open();
    const auto box = volume->createDirectory(Volume::kRootId, "Box").value;
    ASSERT_TRUE(volume->createFile(box, "File").ok());
    ASSERT_TRUE(volume->createFile(box, "Other").ok());
    const auto id = volume->createFileId(box, "File");
    ASSERT_TRUE(id.ok());
    EXPECT_EQ(id.value, volume->parameters(box, "File").value.id);
    const auto again = volume->createFileId(box, "File");
    EXPECT_EQ(again.error, VolumeError::IdExists);
    EXPECT_EQ(again.value, id.value);
    EXPECT_EQ(volume->createFileId(Volume::kRootId, "Box").error, VolumeError::WrongKind);

    ASSERT_EQ(volume->move(box, "File", Volume::kRootId, "Moved"), VolumeError::None);
    const auto resolved = volume->resolveFileId(id.value);
    ASSERT_TRUE(resolved.ok());
    EXPECT_EQ(resolved.value.macName, "Moved");
    EXPECT_EQ(resolved.value.parentId, Volume::kRootId);
    EXPECT_EQ(volume->resolveFileId(volume->parameters(box, "Other").value.id).error, VolumeError::IdNotFound)
        << "an ID no client made a file ID";
    EXPECT_EQ(volume->resolveFileId(box).error, VolumeError::BadId);
    EXPECT_EQ(volume->resolveFileId(Volume::kRootId).error, VolumeError::BadId);
    EXPECT_EQ(volume->resolveFileId(0x7fffffff).error, VolumeError::IdNotFound);

    {
        auto readOnly = folder.open(MetadataStore::Storage::ExtendedAttributes, BeneathOpener::Method::Kernel, true);
        EXPECT_TRUE(readOnly->resolveFileId(id.value).ok());
        EXPECT_EQ(readOnly->deleteFileId(id.value), VolumeError::ReadOnly);
        EXPECT_EQ(readOnly->createFileId(box, "Other").error, VolumeError::ReadOnly);
    }
    ASSERT_EQ(volume->deleteFileId(id.value), VolumeError::None);
    EXPECT_EQ(volume->deleteFileId(id.value), VolumeError::IdNotFound);
    EXPECT_EQ(volume->resolveFileId(id.value).error, VolumeError::IdNotFound);
    // A file ID goes with its file.
    ASSERT_TRUE(volume->createFileId(Volume::kRootId, "Moved").ok());
    ASSERT_EQ(volume->remove(Volume::kRootId, "Moved"), VolumeError::None);
    ASSERT_TRUE(volume->createFile(Volume::kRootId, "Moved").ok());
    EXPECT_EQ(volume->resolveFileId(id.value).error, VolumeError::IdNotFound);

    const auto space = volume->space();
    ASSERT_TRUE(space.ok());
    EXPECT_GT(space.value.bytesTotal, 0u);
    EXPECT_LE(space.value.bytesFree, space.value.bytesTotal);
}

} // namespace
} // namespace appletalk::afp
