// SPDX-License-Identifier: MIT
// `vidur share` as a Mac meets it: the real process on LToUDP over loopback (a private port,
// TTL 0) with DSI on a loopback TCP port, and a scripted AFP client written from the protocol
// documents. Over TCP the client frames DSI itself; over AppleTalk it runs a stack of its
// own and the tree's ASP workstation, as a Mac's stack would. Every wait is for a reply, a
// line or a close, never for time.
#include "ShareProcess.h"
#include "VidurProcess.h"
#include "appletalk/afp/server/auth/UamClient.h"
#include "appletalk/afp/server/auth/UserFile.h"
#include "support/AfpScriptedClient.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace vidur::cli {
namespace {

using namespace vidur::scripted_afp;
using testing::VidurProcess;
namespace fs = std::filesystem;

class ShareEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("vidur-share-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        volume = folder / "volume";
        fs::create_directories(volume);
        fs::create_directories(folder / "state");
        std::ofstream(volume / "Read Me") << "hello";
        std::ofstream(folder / "secret") << "outside the volume";
        fs::create_symlink(folder / "secret", volume / "escape");
        tcpPort = freeTcpPort();
    }
    void TearDown() override { fs::remove_all(folder); }

    VidurProcess::Environment environment() const { return shareEnvironment(folder, port); }

    // The server up, its name registered; false (the test skipped or failed) when not.
    bool startServer(std::unique_ptr<VidurProcess>& server, const std::vector<std::string>& more = {}) {
        std::vector<std::string> arguments{
            "share",     "Test=" + volume.string(), "--name", kServer, "--tcp", "127.0.0.1:" + std::to_string(tcpPort),
            "--network", "ltoudp:127.0.0.1"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        server = testing::startShare(arguments, environment(), "sharing Test as Share Test:AFPServer@", skipped);
        return server != nullptr;
    }

    static constexpr const char* kServer = "Share Test";
    fs::path folder, volume;
    std::string skipped;
    int port = 20000 + ::getpid() % 20000;
    std::uint16_t tcpPort = 0;
};

// Logged in as a guest with the volume open; the volume's id in client.volume.
void logInAndOpen(AfpClient& client, const std::string& version) {
    ASSERT_EQ(client.loginAsGuest(version), kNoErr);
    client.volume = client.openVolume("Test");
    ASSERT_NE(client.volume, 0);
}

TEST_F(ShareEndToEnd, AFileWithBothForksRoundTripsOverDsiAndKeepsItsIdAcrossARestart) {
    std::unique_ptr<VidurProcess> server;
    if (!startServer(server)) {
        if (!skipped.empty()) GTEST_SKIP() << skipped;
        return;
    }
    // As a client does, the status on a connection of its own, which the server then closes.
    DsiConnection query(tcpPort);
    ASSERT_TRUE(query.isConnected());
    const auto status = query.status();
    ASSERT_TRUE(status.has_value());
    const auto info = AfpServerInfo::parse(*status);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->serverName, kServer);
    ASSERT_FALSE(info->afpVersions.empty());
    EXPECT_NE(std::find(info->uams.begin(), info->uams.end(), "No User Authent"), info->uams.end());
    const std::string version = info->afpVersions.back();

    DsiConnection dsi(tcpPort);
    ASSERT_TRUE(dsi.openSession());
    AfpClient mac = clientOver(dsi);
    ASSERT_NO_FATAL_FAILURE(logInAndOpen(mac, version));
    const auto parms = AfpServerParms::parse(mac.call(block(AfpCommand::GetSrvrParms, {})).reply);
    ASSERT_TRUE(parms.has_value());
    ASSERT_EQ(parms->volumes.size(), 1u);
    EXPECT_EQ(parms->volumes[0].name, "Test");
    const auto before = mac.enumerate(kRootDirectory);
    EXPECT_NE(std::find(before.begin(), before.end(), "Read Me"), before.end());

    // A new file, both forks and its Finder info written, then read back.
    const Bytes data = bytesOf(std::string(3000, 'd') + "end of data");
    const Bytes resource = bytesOf("resource fork: ICN# and friends");
    Bytes finderInfo(kFinderInfoSize, 0);
    std::copy_n("TEXTttxt", 8, finderInfo.begin());
    ASSERT_EQ(mac.call(block(AfpCommand::CreateFile,
                             {{AfpField::Volume, mac.volume}, {AfpField::Directory, kRootDirectory}}, {"Notes"}))
                  .result,
              kNoErr);
    const std::uint16_t dataFork = mac.openFork(kRootDirectory, "Notes", false);
    const std::uint16_t resourceFork = mac.openFork(kRootDirectory, "Notes", true);
    ASSERT_NE(dataFork, 0);
    ASSERT_NE(resourceFork, 0);
    EXPECT_EQ(mac.write(dataFork, data), kNoErr);
    EXPECT_EQ(mac.write(resourceFork, resource), kNoErr);
    AfpParameters info32{ParameterKind::File};
    info32.setBlob(file_bit::FinderInfo, finderInfo);
    EXPECT_EQ(mac.call(block(AfpCommand::SetFileParms,
                             {{AfpField::Volume, mac.volume},
                              {AfpField::Directory, kRootDirectory},
                              {AfpField::Bitmap, 1u << file_bit::FinderInfo}},
                             {"Notes"}, {}, *info32.serialize()))
                  .result,
              kNoErr);
    EXPECT_EQ(mac.read(dataFork, static_cast<std::uint32_t>(data.size())).reply, data);
    EXPECT_EQ(mac.read(resourceFork, static_cast<std::uint32_t>(resource.size())).reply, resource);

    // Another session may not use this one's fork; a path may not climb out of the volume,
    // nor a link lead out of it.
    DsiConnection other(tcpPort);
    ASSERT_TRUE(other.openSession());
    AfpClient intruder = clientOver(other);
    ASSERT_NO_FATAL_FAILURE(logInAndOpen(intruder, version));
    const Answer stolen = intruder.read(dataFork, 100);
    EXPECT_NE(stolen.result, kNoErr);
    EXPECT_TRUE(stolen.reply.empty());
    EXPECT_EQ(intruder.openFork(kRootDirectory, std::string("\0\0secret", 8), false), 0);
    EXPECT_EQ(intruder.openFork(kRootDirectory, "escape", false), 0);
    EXPECT_EQ(intruder.openFork(1, "secret", false), 0);
    // Logout ends the transport's session too.
    EXPECT_EQ(intruder.call(block(AfpCommand::Logout, {})).result, kNoErr);
    EXPECT_TRUE(other.awaitClose());

    EXPECT_EQ(mac.closeFork(dataFork), kNoErr);
    EXPECT_EQ(mac.closeFork(resourceFork), kNoErr);
    const std::uint16_t wanted = 1u << file_bit::FileNumber | 1u << file_bit::FinderInfo |
                                 1u << file_bit::DataForkLength | 1u << file_bit::ResourceForkLength;
    const auto created = mac.fileParameters(kRootDirectory, "Notes", wanted);
    ASSERT_TRUE(created.has_value());
    EXPECT_EQ(created->blobs[file_bit::FinderInfo], finderInfo);
    EXPECT_EQ(created->numbers[file_bit::DataForkLength], data.size());
    EXPECT_EQ(created->numbers[file_bit::ResourceForkLength], resource.size());
    const std::uint64_t fileNumber = created->numbers[file_bit::FileNumber];
    EXPECT_NE(fileNumber, 0u);

    // Renamed and moved into a new folder: the same file, under its new name on the disk too.
    const Answer folderMade = mac.call(block(
        AfpCommand::CreateDir, {{AfpField::Volume, mac.volume}, {AfpField::Directory, kRootDirectory}}, {"Folder"}));
    const auto madeReply = AfpReply::parse(AfpCommand::CreateDir, folderMade.reply);
    ASSERT_EQ(folderMade.result, kNoErr);
    ASSERT_TRUE(madeReply.has_value());
    const std::uint32_t folderId = madeReply->block.get(AfpField::Directory);
    EXPECT_EQ(
        mac.call(block(AfpCommand::Rename, {{AfpField::Volume, mac.volume}, {AfpField::Directory, kRootDirectory}},
                       {"Notes", "Renamed"}))
            .result,
        kNoErr);
    EXPECT_EQ(mac.call(block(AfpCommand::MoveAndRename,
                             {{AfpField::Volume, mac.volume},
                              {AfpField::Directory, kRootDirectory},
                              {AfpField::DestDirectory, folderId}},
                             {"Renamed", "", "Moved Notes"}))
                  .result,
              kNoErr);
    std::ifstream onDisk(volume / "Folder" / "Moved Notes", std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(onDisk), {}), data);
    const auto moved = mac.fileParameters(folderId, "Moved Notes", wanted);
    ASSERT_TRUE(moved.has_value());
    EXPECT_EQ(moved->numbers[file_bit::FileNumber], fileNumber);

    // SIGTERM: the client hears the server is going down, then the session closes.
    server->signal(SIGTERM);
    const auto attention = dsi.awaitAttention();
    ASSERT_TRUE(attention.has_value());
    EXPECT_NE(*attention & kAttentionShutdown, 0);
    EXPECT_TRUE(dsi.awaitClose());
    const auto stopped = server->finish(30s);
    EXPECT_EQ(stopped.exitCode, 0) << stopped.err;

    // After a restart the file is there with the same number, forks and Finder info.
    ASSERT_TRUE(startServer(server));
    DsiConnection again(tcpPort);
    ASSERT_TRUE(again.openSession());
    AfpClient back = clientOver(again);
    ASSERT_NO_FATAL_FAILURE(logInAndOpen(back, version));
    const auto restarted = back.fileParameters(kRootDirectory, std::string("Folder\0Moved Notes", 18), wanted);
    ASSERT_TRUE(restarted.has_value());
    EXPECT_EQ(restarted->numbers[file_bit::FileNumber], fileNumber);
    EXPECT_EQ(restarted->blobs[file_bit::FinderInfo], finderInfo);
    const std::uint16_t reopened = back.openFork(folderId, "Moved Notes", true);
    ASSERT_NE(reopened, 0);
    EXPECT_EQ(back.read(reopened, static_cast<std::uint32_t>(resource.size())).reply, resource);
}

TEST_F(ShareEndToEnd, AMacOnAppleTalkFindsTheServerWritesAFileOverAspAndHearsTheShutdown) {
    std::unique_ptr<VidurProcess> server;
    if (!startServer(server)) {
        if (!skipped.empty()) GTEST_SKIP() << skipped;
        return;
    }
    AspConnection asp(port);
    ASSERT_EQ(asp.open(kServer), "");
    AfpClient mac = clientOver(asp);
    ASSERT_NO_FATAL_FAILURE(logInAndOpen(mac, "AFPVersion 2.1"));

    // More than one ATP packet each way, so WriteContinue and a multi-packet reply both run.
    const Bytes data = bytesOf(std::string(1500, 'a') + std::string(1500, 'b'));
    ASSERT_EQ(
        mac.call(block(AfpCommand::CreateFile, {{AfpField::Volume, mac.volume}, {AfpField::Directory, kRootDirectory}},
                       {"From AppleTalk"}))
            .result,
        kNoErr);
    const std::uint16_t fork = mac.openFork(kRootDirectory, "From AppleTalk", false);
    ASSERT_NE(fork, 0);
    EXPECT_EQ(mac.write(fork, data), kNoErr);
    EXPECT_EQ(mac.read(fork, static_cast<std::uint32_t>(data.size())).reply, data);
    const auto names = mac.enumerate(kRootDirectory);
    EXPECT_NE(std::find(names.begin(), names.end(), "From AppleTalk"), names.end());

    server->signal(SIGTERM);
    const auto attention = asp.awaitAttention();
    ASSERT_TRUE(attention.has_value());
    EXPECT_NE(*attention & kAttentionShutdown, 0);
    EXPECT_EQ(server->finish(30s).exitCode, 0);
}

// A named user's login over DSI with each UAM: the Login, and the LoginCont where the UAM
// needs one, the client's side done by the tree's UAM client.
std::int32_t logIn(AfpClient& client, const std::string& version, Uam uam, const std::string& password) {
    const std::string name(uamName(uam));
    UamClient uamClient(uam, "ada", password);
    std::string problem;
    const auto data = uamClient.loginData(1 + 1 + version.size() + 1 + name.size(), problem);
    if (!data) return kNoAnswer;
    const Answer login = client.call(block(AfpCommand::Login, {}, {}, {version, name}, *data));
    if (login.result != static_cast<std::int32_t>(AfpResult::AuthContinue)) return login.result;
    const auto continuation = uamClient.answer(login.reply);
    if (!continuation) return kNoAnswer;
    const Answer proof = client.call(
        block(AfpCommand::LoginCont, {{AfpField::Reference, continuation->id}}, {}, {}, continuation->data));
    return proof.result == kNoErr && !uamClient.serverVerified(proof.reply) ? kNoAnswer : proof.result;
}

TEST_F(ShareEndToEnd, ANamedUserLogsInWithEachUamAndAWrongPasswordOrAGuestDoesNot) {
    const fs::path users = folder / "share.users";
    std::string problem;
    ASSERT_TRUE(appletalk::afp::UserFile::store(users, "ada", "lovelace", problem)) << problem;
    std::unique_ptr<VidurProcess> server;
    if (!startServer(server, {"--users", users.string(), "--cleartext"})) {
        if (!skipped.empty()) GTEST_SKIP() << skipped;
        return;
    }
    for (const Uam uam : {Uam::Cleartext, Uam::RandnumExchange, Uam::TwoWayRandnum, Uam::Dhcast128}) {
        SCOPED_TRACE(std::string(uamName(uam)));
        DsiConnection right(tcpPort), wrong(tcpPort);
        ASSERT_TRUE(right.openSession() && wrong.openSession());
        AfpClient ada = clientOver(right), impostor = clientOver(wrong);
        EXPECT_EQ(logIn(ada, "AFP2.2", uam, "lovelace"), kNoErr);
        EXPECT_NE(ada.openVolume("Test"), 0);
        EXPECT_EQ(logIn(impostor, "AFP2.2", uam, "babbage"), static_cast<std::int32_t>(AfpResult::UserNotAuth));
    }
    // Named users served: no guests unless --guest.
    DsiConnection guest(tcpPort);
    ASSERT_TRUE(guest.openSession());
    AfpClient anonymous = clientOver(guest);
    EXPECT_NE(anonymous.loginAsGuest("AFP2.2"), kNoErr);
    server->signal(SIGTERM);
    EXPECT_EQ(server->finish(30s).exitCode, 0);
}

// `vidur volumes`, the tree's own client, against the real server on both transports: as a
// guest and as a named user (the strongest UAM both have), and a wrong password refused
// with a sentence rather than a code.
TEST_F(ShareEndToEnd, VidurVolumesListsTheVolumesOverDsiAndAspForAGuestAndANamedUser) {
    const fs::path users = folder / "share.users", rightPassword = folder / "right", wrongPassword = folder / "wrong";
    std::string problem;
    ASSERT_TRUE(appletalk::afp::UserFile::store(users, "ada", "lovelace", problem)) << problem;
    std::ofstream(rightPassword) << "lovelace\n";
    std::ofstream(wrongPassword) << "babbage\n";
    std::unique_ptr<VidurProcess> server;
    if (!startServer(server, {"--users", users.string(), "--guest"})) {
        if (!skipped.empty()) GTEST_SKIP() << skipped;
        return;
    }
    VidurProcess::Environment client = environment();
    client["VIDUR_NETWORK"] = "ltoudp:127.0.0.1";
    const std::string overTcp = "afp://127.0.0.1:" + std::to_string(tcpPort), overAppleTalk = kServer;
    for (const std::string& where : {overTcp, overAppleTalk}) {
        SCOPED_TRACE(where);
        const auto guest = VidurProcess::run({"volumes", where}, client);
        EXPECT_EQ(guest.exitCode, 0) << guest.err;
        EXPECT_EQ(guest.out, "Test\n");
        const auto ada =
            VidurProcess::run({"volumes", where, "--user", "ada", "--password-file", rightPassword.string()}, client);
        EXPECT_EQ(ada.exitCode, 0) << ada.err;
        EXPECT_EQ(ada.out, "Test\n");
        const auto impostor =
            VidurProcess::run({"volumes", where, "--user", "ada", "--password-file", wrongPassword.string()}, client);
        EXPECT_EQ(impostor.exitCode, 2);
        EXPECT_EQ(impostor.err, "vidur volumes: the user name or password is wrong\n");
        EXPECT_TRUE(impostor.out.empty());
    }
    // The server saw ada herself log in, once over each transport, and not as a guest.
    server->signal(SIGTERM);
    const auto stopped = server->finish(30s);
    EXPECT_EQ(stopped.exitCode, 0);
    std::size_t adaLogins = 0;
    for (auto at = stopped.err.find("user \"ada\" logged in"); at != std::string::npos;
         at = stopped.err.find("user \"ada\" logged in", at + 1))
        ++adaLogins;
    EXPECT_EQ(adaLogins, 2u) << stopped.err;
}

} // namespace
} // namespace vidur::cli
