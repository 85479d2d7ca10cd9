// SPDX-License-Identifier: MIT
// The client's volume calls against a real server session over a temporary folder, carried
// by an in-process transport with ASP's transfer limit, so every multi-call path is taken.
#include "appletalk/afp/client/AfpClientSession.h"
#include "appletalk/afp/client/AfpVolumeClient.h"
#include "appletalk/afp/server/AfpServer.h"
#include "support/InProcessAfpVolume.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace appletalk::afp {
namespace {

namespace fs = std::filesystem;

using vidur::testing::InProcessTransport;
using vidur::testing::kAspLimit;

class VolumeClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string problem;
        // This server sends no messages: an empty one, read through the reply's codec.
        EXPECT_EQ(served_.session->serverMessage(problem), "") << problem;
    }

    fs::path share() const { return served_.share(); }

    std::vector<std::string> names(std::string_view folder) {
        std::vector<AfpEntry> entries;
        EXPECT_EQ(volume_->list(folder, entries), 0);
        std::vector<std::string> out;
        for (const auto& entry : entries) out.push_back(entry.name);
        return out;
    }

    vidur::testing::InProcessVolume served_;
    std::unique_ptr<AfpVolumeClient>& volume_ = served_.volume;
    std::unique_ptr<InProcessTransport>& transport_ = served_.transport;
};

TEST_F(VolumeClientTest, NamesFoldersAndRenamesAsLinuxSeesThem) {
    // ':' in a Linux name is '/' on the Mac, and both come back as they went.
    ASSERT_EQ(volume_->createDirectory("/Q1:Q2"), 0);
    ASSERT_EQ(volume_->createFile("/Q1:Q2/café", true), 0);
    EXPECT_EQ(volume_->createFile("/Q1:Q2/café", true), EEXIST);
    EXPECT_EQ(names("/Q1:Q2"), std::vector<std::string>{"café"});
    AfpEntry entry;
    ASSERT_EQ(volume_->stat("/Q1:Q2", entry), 0);
    EXPECT_TRUE(entry.isDirectory);
    EXPECT_EQ(entry.name, "Q1:Q2");
    EXPECT_EQ(entry.offspring, 1);
    EXPECT_EQ(volume_->createFile("/" + std::string(32, 'x'), true), ENAMETOOLONG);
    EXPECT_EQ(volume_->createFile("/\u4E2D", true), EILSEQ);
    EXPECT_EQ(volume_->stat("/nothing", entry), ENOENT);

    // A folder of 300 entries comes whole across many Enumerate pages.
    for (int i = 0; i < 300; ++i) std::ofstream(share() / "Q1:Q2" / ("file " + std::to_string(i)));
    EXPECT_EQ(names("/Q1:Q2").size(), 301u);

    // rename(2): a file replaced (its contents exchanged, so the target keeps its ID), a
    // folder with something in it refused, and a move.
    ASSERT_EQ(volume_->createDirectory("/Other"), 0);
    ASSERT_EQ(volume_->createFile("/Other/target", true), 0);
    std::ofstream(share() / "Q1:Q2" / "file 1") << "saved";
    AfpEntry before, after;
    ASSERT_EQ(volume_->stat("/Other/target", before), 0);
    EXPECT_EQ(volume_->rename("/Q1:Q2/file 1", "/Other/target"), 0);
    EXPECT_EQ(names("/Other"), std::vector<std::string>{"target"});
    ASSERT_EQ(volume_->stat("/Other/target", after), 0);
    EXPECT_EQ(after.dataLength, 5u);
    EXPECT_EQ(after.id, before.id);
    EXPECT_EQ(volume_->stat("/Q1:Q2/file 1", entry), ENOENT);
    EXPECT_EQ(volume_->rename("/Q1:Q2/file 2", "/Q1:Q2/file 3"), 0);
    EXPECT_EQ(volume_->stat("/Q1:Q2/file 2", entry), ENOENT);
    EXPECT_EQ(volume_->rename("/Other", "/Q1:Q2"), ENOTEMPTY);
    EXPECT_EQ(volume_->rename("/Other", "/Other"), 0);
    EXPECT_EQ(volume_->remove("/Q1:Q2"), ENOTEMPTY);
    EXPECT_EQ(volume_->remove("/Other/target"), 0);
    EXPECT_EQ(volume_->remove("/Other"), 0);
}

TEST_F(VolumeClientTest, CarriesForksAcrossTheTransferLimitUntilTheSessionIsLost) {
    ASSERT_EQ(volume_->createFile("/Letter", true), 0);
    AfpOpenFork data;
    ASSERT_EQ(volume_->openFork("/Letter", AfpForkKind::Data, true, data), 0);
    std::vector<std::uint8_t> written(50 * 1024);
    for (std::size_t i = 0; i < written.size(); ++i) written[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    ASSERT_EQ(volume_->write(data.reference, 0, written), 0);
    std::vector<std::uint8_t> back(written.size() + 100);
    std::size_t got = 0;
    ASSERT_EQ(volume_->read(data.reference, 0, back, got), 0);
    ASSERT_EQ(got, written.size()); // short only at the fork's end
    back.resize(got);
    EXPECT_EQ(back, written);
    EXPECT_EQ(volume_->write(data.reference, 0xFFFFFFFF, written), EFBIG);
    ASSERT_EQ(volume_->setForkLength(data.reference, 10), 0);
    ASSERT_EQ(volume_->closeFork(data.reference), 0);

    AfpOpenFork resource;
    ASSERT_EQ(volume_->openFork("/Letter", AfpForkKind::Resource, true, resource), 0);
    ASSERT_EQ(volume_->write(resource.reference, 0, std::span(written).first(300)), 0);
    ASSERT_EQ(volume_->closeFork(resource.reference), 0);
    std::array<std::uint8_t, 32> finder{'T', 'E', 'X', 'T', 't', 't', 'x', 't'};
    ASSERT_EQ(volume_->setFinderInfo("/Letter", finder), 0);
    ASSERT_EQ(volume_->setModified("/Letter", 1700000000), 0);
    AfpEntry entry;
    ASSERT_EQ(volume_->stat("/Letter", entry), 0);
    EXPECT_EQ(entry.dataLength, 10u);
    EXPECT_EQ(entry.resourceLength, 300u);
    EXPECT_EQ(entry.finderInfo, finder);
    EXPECT_EQ(entry.modified, 1700000000);
    AfpOpenFork folder;
    EXPECT_EQ(volume_->openFork("/", AfpForkKind::Data, false, folder), EISDIR);

    // Once a call gets no answer, every later one fails at once.
    transport_->failing = true;
    EXPECT_EQ(volume_->stat("/Letter", entry), EIO);
    const int calls = transport_->calls;
    EXPECT_TRUE(volume_->sessionGone());
    EXPECT_EQ(volume_->createFile("/Other", true), EIO);
    EXPECT_EQ(volume_->keepAlive(), EIO);
    EXPECT_EQ(transport_->calls, calls);
}

} // namespace
} // namespace appletalk::afp
