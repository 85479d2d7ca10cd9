// SPDX-License-Identifier: MIT
// The client's volume calls against a real server session over a temporary folder, carried
// by an in-process transport with ASP's transfer limit, so every multi-call path is taken.
#include "appletalk/afp/client/AfpClientSession.h"
#include "appletalk/afp/client/AfpVolumeClient.h"
#include "appletalk/afp/server/AfpServer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace appletalk::afp {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kAspLimit = 4624;

// Hands each call to the server session in the same thread; `failing` makes it deliver nothing.
class InProcessTransport final : public AfpTransport {
public:
    explicit InProcessTransport(AfpServer& server)
        : session_(server.openSession({AfpSessionTransport::Asp, kAspLimit, "test"})) {}

    std::optional<std::vector<std::uint8_t>> status(std::string&) override { return std::nullopt; }
    bool open(std::string&) override { return true; }
    AfpCallResult call(std::span<const std::uint8_t> command) override { return answer(session_->command(command)); }
    AfpCallResult write(std::span<const std::uint8_t> command, std::span<const std::uint8_t> data) override {
        // A write over the limit would not fit the session layer: the client must split it.
        if (data.size() > kAspLimit) return {false, 0, {}, "write over the limit"};
        return answer(session_->write(command, data));
    }
    std::size_t transferLimit() const override { return kAspLimit; }
    bool keepAlive(std::string&) override { return !failing; }
    void setAttentionHandler(AttentionHandler) override {}
    void close() override {}

    bool failing = false;
    int calls = 0;

private:
    AfpCallResult answer(AfpAnswer answered) {
        ++calls;
        if (failing) return {false, 0, {}, "the connection to the server is lost"};
        return {true, answered.result, std::move(answered.reply), {}};
    }

    std::unique_ptr<AfpSession> session_;
};

class VolumeClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vidur-afpclient-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        base_ = pattern;
        fs::create_directory(share());
        AfpServerConfig config;
        config.serverName = "Test Server";
        config.volumes = {{"Files", share(), false, "", base_ / "state"}};
        std::string problem;
        server_ = AfpServer::create(std::move(config), problem);
        ASSERT_NE(server_, nullptr) << problem;
        transport_ = std::make_unique<InProcessTransport>(*server_);
        AfpServerInfo info;
        info.afpVersions = {"AFP2.2"};
        info.uams = {"No User Authent"};
        ASSERT_TRUE(AfpClientSession(*transport_).login(info, {}, problem)) << problem;
        volume_ = AfpVolumeClient::open(*transport_, "Files", "", problem);
        ASSERT_NE(volume_, nullptr) << problem;
    }
    void TearDown() override {
        volume_.reset();
        transport_.reset();
        server_.reset();
        std::error_code ignored;
        fs::remove_all(base_, ignored);
    }

    fs::path share() const { return base_ / "share"; }

    std::vector<std::string> names(std::string_view folder) {
        std::vector<AfpEntry> entries;
        EXPECT_EQ(volume_->list(folder, entries), 0);
        std::vector<std::string> out;
        for (const auto& entry : entries) out.push_back(entry.name);
        return out;
    }

    fs::path base_;
    std::unique_ptr<AfpServer> server_;
    std::unique_ptr<InProcessTransport> transport_;
    std::unique_ptr<AfpVolumeClient> volume_;
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

    // rename(2): a file replaced, a folder with something in it refused, and a move.
    ASSERT_EQ(volume_->createDirectory("/Other"), 0);
    ASSERT_EQ(volume_->createFile("/Other/target", true), 0);
    EXPECT_EQ(volume_->rename("/Q1:Q2/file 1", "/Other/target"), 0);
    EXPECT_EQ(names("/Other"), std::vector<std::string>{"target"});
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
