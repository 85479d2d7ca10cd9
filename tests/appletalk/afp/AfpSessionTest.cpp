// SPDX-License-Identifier: MIT
// AfpSession driven with command blocks as a client sends them, over a temporary folder:
// login, volumes, enumeration, both forks, IDs across renames, deny modes and locks between
// sessions, escapes from the folder and blocks no client should send.
#include "appletalk/afp/server/AfpServer.h"
#include "appletalk/afp/server/auth/UserFile.h"
#include "appletalk/protocols/afp/AfpEnumerateReply.h"
#include "appletalk/protocols/afp/AfpParameters.h"
#include "appletalk/protocols/afp/AfpReply.h"
#include "appletalk/protocols/afp/AfpRequest.h"
#include "appletalk/protocols/afp/AfpResult.h"
#include "appletalk/protocols/afp/AfpServerInfo.h"
#include "appletalk/protocols/afp/AfpServerParms.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include <unistd.h>

namespace appletalk::afp {
namespace {

namespace fs = std::filesystem;
using enum AfpField;

constexpr auto kNoErr = static_cast<std::int32_t>(AfpResult::NoErr);
constexpr std::uint16_t kRead = 0x01, kWrite = 0x02, kDenyWrite = 0x20;
constexpr std::uint16_t kFileNumberBit = 1u << file_bit::FileNumber;
constexpr std::uint32_t kRoot = 2;

std::int32_t code(AfpResult result) { return static_cast<std::int32_t>(result); }

AfpPath path(std::string name) { return AfpPath{AfpPathType::LongNames, std::move(name)}; }

AfpRequest request(AfpCommand command, std::initializer_list<std::pair<AfpField, std::uint32_t>> numbers,
                   std::vector<AfpPath> paths = {}, std::vector<std::string> texts = {}) {
    AfpRequest built{command, {}};
    for (const auto& [field, value] : numbers) built.block.set(field, value);
    built.block.paths = std::move(paths);
    built.block.texts = std::move(texts);
    return built;
}

class ShareFixture {
public:
    ShareFixture() {
        std::string pattern = (fs::temp_directory_path() / "vidur-afp-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        base_ = pattern;
        fs::create_directory(share());
    }
    ~ShareFixture() {
        std::error_code ignored;
        fs::remove_all(base_, ignored);
    }
    ShareFixture(const ShareFixture&) = delete;
    ShareFixture& operator=(const ShareFixture&) = delete;

    fs::path base() const { return base_; }
    fs::path share() const { return base_ / "share"; }

    std::unique_ptr<AfpServer> server(AfpServerConfig config = {}, std::string password = "") {
        config.serverName = "Test Server";
        config.volumes = {{"Files", share(), false, std::move(password), base_ / "state"}};
        std::string problem;
        auto made = AfpServer::create(std::move(config), problem);
        EXPECT_NE(made, nullptr) << problem;
        return made;
    }

private:
    fs::path base_;
};

// One client: a session and the calls a test makes through it.
class Client {
public:
    Client(AfpServer& server, std::size_t maxReply = 4624)
        : session(server.openSession({AfpSessionTransport::Dsi, maxReply, "test"})) {}

    AfpAnswer call(const AfpRequest& built) {
        const auto bytes = built.serialize();
        EXPECT_FALSE(bytes.empty());
        return session->command(bytes);
    }
    AfpAnswer write(std::uint16_t fork, std::uint32_t offset, const std::string& data, std::uint8_t flag = 0) {
        const auto bytes =
            request(AfpCommand::Write, {{Flag, flag}, {Reference, fork}, {Offset, offset}, {Count, data.size()}})
                .serialize();
        return session->write(bytes, std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
    }
    void logIn() {
        ASSERT_EQ(call(request(AfpCommand::Login, {}, {}, {"AFPVersion 2.1", "No User Authent"})).result, kNoErr);
        const auto opened = call(request(AfpCommand::OpenVol, {{Bitmap, 1u << volume_bit::VolumeId}}, {}, {"files"}));
        ASSERT_EQ(opened.result, kNoErr);
        const auto reply = AfpReply::parse(AfpCommand::OpenVol, opened.reply);
        volume = static_cast<std::uint16_t>(
            AfpParameters::parse(ParameterKind::Volume, reply->block.get(Bitmap), reply->block.rest)
                ->numbers[volume_bit::VolumeId]);
    }
    // A fork reference, or 0 with the result in `result`.
    std::uint16_t open(const std::string& name, std::uint16_t mode, bool resource = false,
                       std::int32_t* result = nullptr) {
        const auto opened = call(
            request(AfpCommand::OpenFork,
                    {{Flag, resource ? kResourceFork : 0}, {Volume, volume}, {Directory, kRoot}, {AccessMode, mode}},
                    {path(name)}));
        if (result) *result = opened.result;
        if (opened.result != kNoErr) return 0;
        return static_cast<std::uint16_t>(AfpReply::parse(AfpCommand::OpenFork, opened.reply)->block.get(Reference));
    }
    AfpAnswer read(std::uint16_t fork, std::uint32_t offset, std::uint32_t count, std::uint8_t mask = 0,
                   std::uint8_t newline = 0) {
        return call(request(
            AfpCommand::Read,
            {{Reference, fork}, {Offset, offset}, {Count, count}, {NewlineMask, mask}, {NewlineChar, newline}}));
    }
    AfpAnswer lock(std::uint16_t fork, std::uint32_t start, std::uint32_t length, std::uint8_t flag = 0) {
        return call(
            request(AfpCommand::ByteRangeLock, {{Flag, flag}, {Reference, fork}, {Offset, start}, {Count, length}}));
    }
    std::optional<AfpParameters> parameters(std::uint32_t directory, const std::string& name, std::uint16_t bitmap) {
        const auto got = call(
            request(AfpCommand::GetFileDirParms,
                    {{Volume, volume}, {Directory, directory}, {Bitmap, bitmap}, {DirectoryBitmap, bitmap & 0x1FF}},
                    {path(name)}));
        if (got.result != kNoErr) return std::nullopt;
        const auto reply = AfpReply::parse(AfpCommand::GetFileDirParms, got.reply);
        const bool directoryEntry = reply->block.get(Flag) & kIsDirectory;
        return AfpParameters::parse(
            directoryEntry ? ParameterKind::Directory : ParameterKind::File,
            static_cast<std::uint16_t>(directoryEntry ? reply->block.get(DirectoryBitmap) : reply->block.get(Bitmap)),
            reply->block.rest);
    }

    std::unique_ptr<AfpSession> session;
    std::uint16_t volume = 0;
};

std::string text(const AfpAnswer& answer) { return {answer.reply.begin(), answer.reply.end()}; }

TEST(AfpSession, GuestLoginGatesTheCallsAndTheStatusBlockAnnouncesIt) {
    ShareFixture share;
    AfpServerConfig config;
    config.limits.sessions = 2;
    auto server = share.server(config);
    std::vector<std::string> log;
    server->setLog([&](const std::string& line) { log.push_back(line); });
    Client client(*server);
    EXPECT_EQ(client.call(request(AfpCommand::GetSrvrParms, {})).result, code(AfpResult::UserNotAuth));
    // A method name from the network reaches the log escaped, never able to move the cursor.
    EXPECT_EQ(client.call(request(AfpCommand::Login, {}, {}, {"AFP2.2", "\x1B[2J\nfake line"})).result,
              code(AfpResult::BadUAM));
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.back().find("\\x1B[2J\\x0Afake line"), std::string::npos) << log.back();
    EXPECT_EQ(client.call(request(AfpCommand::Login, {}, {}, {"AFPVersion 3.0", "No User Authent"})).result,
              code(AfpResult::BadVersNum));
    EXPECT_EQ(client.call(request(AfpCommand::Login, {}, {}, {"AFP2.2", "Cleartxt Passwrd"})).result,
              code(AfpResult::BadUAM));
    EXPECT_FALSE(client.session->loggedIn());
    const auto info = AfpServerInfo::parse(client.call(request(AfpCommand::GetSrvrInfo, {})).reply);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->serverName, "Test Server");
    EXPECT_EQ(info->uams, std::vector<std::string>{"No User Authent"});
    EXPECT_EQ(info->afpVersions.back(), "AFP2.2");
    EXPECT_TRUE(info->icon.has_value());
    EXPECT_EQ(client.call(request(AfpCommand::Login, {}, {}, {"AFP2.2", "no user authent"})).result, kNoErr);
    EXPECT_EQ(client.call(request(AfpCommand::GetSrvrParms, {})).result, kNoErr);
    EXPECT_EQ(client.call(request(AfpCommand::Logout, {})).result, kNoErr);
    EXPECT_TRUE(client.session->loggedOut());

    // The session limit holds, and a closed session makes room.
    Client second(*server);
    EXPECT_EQ(server->openSession({}), nullptr);
    second.session.reset();
    EXPECT_NE(server->openSession({}), nullptr);
}

TEST(AfpSession, WritesBothForksAndFinderInfoAndReadsThemBack) {
    ShareFixture share;
    auto server = share.server();
    Client client(*server);
    client.logIn();
    ASSERT_EQ(
        client.call(request(AfpCommand::CreateFile, {{Volume, client.volume}, {Directory, kRoot}}, {path("Letter")}))
            .result,
        kNoErr);
    EXPECT_EQ(
        client.call(request(AfpCommand::CreateFile, {{Volume, client.volume}, {Directory, kRoot}}, {path("Letter")}))
            .result,
        code(AfpResult::ObjectExists));

    const auto data = client.open("Letter", kRead | kWrite);
    ASSERT_EQ(text(client.write(data, 0, "Dear Mac,\rHello")), std::string("\0\0\0\x0F", 4));
    // From the end: the reply is the offset after the last byte written.
    EXPECT_EQ(text(client.write(data, 0, "!", kFromEnd)), std::string("\0\0\0\x10", 4));
    const auto resource = client.open("Letter", kRead | kWrite, true);
    ASSERT_EQ(client.write(resource, 0, "resource bytes").result, kNoErr);
    AfpParameters finder;
    finder.kind = ParameterKind::File;
    finder.setBlob(file_bit::FinderInfo,
                   std::vector<std::uint8_t>{'T', 'E', 'X', 'T', 't', 't', 'x', 't', 0, 0, 0, 0, 0, 0, 0, 0,
                                             0,   0,   0,   0,   0,   0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 0});
    auto set = request(AfpCommand::SetFileParms, {{Volume, client.volume}, {Directory, kRoot}, {Bitmap, finder.bitmap}},
                       {path("Letter")});
    set.block.rest = *finder.serialize();
    ASSERT_EQ(client.call(set).result, kNoErr);

    const auto line = client.read(data, 0, 100, 0xFF, '\r');
    EXPECT_EQ(line.result, kNoErr);
    EXPECT_EQ(text(line), "Dear Mac,\r");
    const auto all = client.read(data, 0, 100);
    EXPECT_EQ(all.result, code(AfpResult::EOFErr));
    EXPECT_EQ(text(all), "Dear Mac,\rHello!");
    EXPECT_EQ(text(client.read(resource, 9, 5)), "bytes");

    const auto enumerated =
        client.call(request(AfpCommand::Enumerate,
                            {{Volume, client.volume},
                             {Directory, kRoot},
                             {Bitmap, (1u << file_bit::LongName) | (1u << file_bit::DataForkLength) |
                                          (1u << file_bit::ResourceForkLength) | (1u << file_bit::FinderInfo)},
                             {DirectoryBitmap, 1u << directory_bit::LongName},
                             {ReqCount, 10},
                             {Index, 1},
                             {Size, 4000}},
                            {path("")}));
    ASSERT_EQ(enumerated.result, kNoErr);
    const auto entries = AfpEnumerateReply::parse(enumerated.reply);
    ASSERT_TRUE(entries && entries->entries.size() == 1);
    const auto& entry = entries->entries[0];
    EXPECT_EQ(entry.names[file_bit::LongName], "Letter");
    EXPECT_EQ(entry.numbers[file_bit::DataForkLength], 16u);
    EXPECT_EQ(entry.numbers[file_bit::ResourceForkLength], 14u);
    EXPECT_EQ(entry.blobs[file_bit::FinderInfo][0], 'T');
    // Past the last entry there is nothing.
    auto past = request(AfpCommand::Enumerate,
                        {{Volume, client.volume},
                         {Directory, kRoot},
                         {Bitmap, 1u << file_bit::LongName},
                         {ReqCount, 10},
                         {Index, 2},
                         {Size, 4000}},
                        {path("")});
    EXPECT_EQ(client.call(past).result, code(AfpResult::ObjectNotFound));
    // An open file is neither replaced nor deleted.
    EXPECT_EQ(client
                  .call(request(AfpCommand::CreateFile,
                                {{Flag, kHardCreate}, {Volume, client.volume}, {Directory, kRoot}}, {path("Letter")}))
                  .result,
              code(AfpResult::FileBusy));
    EXPECT_EQ(client.call(request(AfpCommand::Delete, {{Volume, client.volume}, {Directory, kRoot}}, {path("Letter")}))
                  .result,
              code(AfpResult::FileBusy));
}

TEST(AfpSession, RenameAndMoveKeepTheFileId) {
    ShareFixture share;
    auto server = share.server();
    Client client(*server);
    client.logIn();
    const auto folder =
        client.call(request(AfpCommand::CreateDir, {{Volume, client.volume}, {Directory, kRoot}}, {path("Folder")}));
    ASSERT_EQ(folder.result, kNoErr);
    const auto folderId = AfpReply::parse(AfpCommand::CreateDir, folder.reply)->block.get(Directory);
    ASSERT_EQ(client.call(request(AfpCommand::CreateFile, {{Volume, client.volume}, {Directory, kRoot}}, {path("Old")}))
                  .result,
              kNoErr);
    const auto id = client.parameters(kRoot, "Old", kFileNumberBit)->numbers[file_bit::FileNumber];

    ASSERT_EQ(client
                  .call(request(AfpCommand::Rename, {{Volume, client.volume}, {Directory, kRoot}},
                                {path("Old"), path("New")}))
                  .result,
              kNoErr);
    ASSERT_EQ(client
                  .call(request(AfpCommand::MoveAndRename,
                                {{Volume, client.volume}, {Directory, kRoot}, {DestDirectory, folderId}},
                                {path("New"), path(""), path("Moved")}))
                  .result,
              kNoErr);
    EXPECT_FALSE(client.parameters(kRoot, "New", kFileNumberBit).has_value());
    // Reached by a path through the folder, and by the folder's ID.
    EXPECT_EQ(client.parameters(kRoot, std::string("Folder\0Moved", 12), kFileNumberBit)->numbers[file_bit::FileNumber],
              id);
    EXPECT_EQ(client.parameters(folderId, "Moved", kFileNumberBit)->numbers[file_bit::FileNumber], id);
    EXPECT_EQ(client.call(request(AfpCommand::Delete, {{Volume, client.volume}, {Directory, kRoot}}, {path("Folder")}))
                  .result,
              code(AfpResult::DirNotEmpty));
}

TEST(AfpSession, DenyModesAndLocksHoldAcrossSessionsAndGoWithTheHolder) {
    ShareFixture share;
    auto server = share.server();
    Client first(*server), second(*server);
    first.logIn();
    second.logIn();
    ASSERT_EQ(
        first.call(request(AfpCommand::CreateFile, {{Volume, first.volume}, {Directory, kRoot}}, {path("Shared")}))
            .result,
        kNoErr);
    const auto held = first.open("Shared", kRead | kWrite | kDenyWrite);
    ASSERT_EQ(first.write(held, 0, "0123456789").result, kNoErr);

    std::int32_t result = 0;
    EXPECT_EQ(second.open("Shared", kRead | kWrite, false, &result), 0);
    EXPECT_EQ(result, code(AfpResult::DenyConflict));
    const auto reader = second.open("Shared", kRead);
    ASSERT_NE(reader, 0);
    // A reference is its own session's: the other session cannot use it.
    EXPECT_EQ(second.read(held, 0, 4).result, code(AfpResult::ParamErr));
    EXPECT_EQ(second.call(request(AfpCommand::CloseFork, {{Reference, held}})).result, code(AfpResult::ParamErr));

    ASSERT_EQ(first.lock(held, 2, 4).result, kNoErr);
    EXPECT_EQ(first.lock(held, 5, 1).result, code(AfpResult::RangeOverlap));
    EXPECT_EQ(second.read(reader, 0, 4).result, code(AfpResult::LockErr));
    EXPECT_EQ(text(second.read(reader, 6, 4)), "6789");
    EXPECT_EQ(second.lock(reader, 0, 0xFFFFFFFF).result, code(AfpResult::LockErr));
    // From the end: -4 is offset 6, clear of the held range.
    EXPECT_EQ(text(second.lock(reader, static_cast<std::uint32_t>(-4), 2, kFromEnd)), std::string("\0\0\0\x06", 4));
    EXPECT_EQ(first.lock(held, 2, 3, kUnlock).result, code(AfpResult::RangeNotLocked));

    first.session.reset(); // a client gone releases its fork, its deny mode and its lock
    EXPECT_EQ(text(second.read(reader, 2, 4)), "2345");
    EXPECT_NE(second.open("Shared", kRead | kWrite), 0);
}

TEST(AfpSession, PathsNeverLeaveTheFolder) {
    ShareFixture share;
    std::ofstream(share.base() / "secret") << "outside";
    fs::create_directory_symlink(share.base(), share.share() / "Out");
    fs::create_directory(share.share() / "Inside");
    auto server = share.server();
    Client client(*server);
    client.logIn();
    const std::uint16_t bitmap = 1u << file_bit::LongName;
    // Parent steps: from the root, and through a folder up past the root.
    EXPECT_FALSE(client.parameters(kRoot, std::string("\0\0secret", 8), bitmap).has_value());
    EXPECT_FALSE(client.parameters(kRoot, std::string("Inside\0\0\0\0secret", 16), bitmap).has_value());
    EXPECT_TRUE(client.parameters(kRoot, std::string("Inside\0\0Inside", 14), bitmap).has_value());
    // A link out of the folder, and the way above the root by a name that is not the volume's.
    EXPECT_FALSE(client.parameters(kRoot, std::string("Out\0secret", 10), bitmap).has_value());
    EXPECT_EQ(client.open("Out\0secret", kRead), 0);
    EXPECT_FALSE(client.parameters(1, "Elsewhere", bitmap).has_value());
    EXPECT_EQ(client.parameters(1, "Files", bitmap)->names[file_bit::LongName], "Files");
}

TEST(AfpSession, HostileBlocksAreAnsweredAndTheSessionGoesOn) {
    ShareFixture share;
    auto server = share.server();
    Client client(*server, 1000);
    client.logIn();
    EXPECT_EQ(client.session->command({}).result, code(AfpResult::ParamErr));
    const std::vector<std::uint8_t> unknown{static_cast<std::uint8_t>(AfpCommand::CatSearch), 0, 0, 1};
    EXPECT_EQ(client.session->command(unknown).result, code(AfpResult::CallNotSupported));
    EXPECT_EQ(client.session->command(std::vector<std::uint8_t>{250, 1, 2}).result, code(AfpResult::CallNotSupported));
    for (int command = 1; command < 256; ++command) {
        // These few take a byte of padding alone, and answer whatever it holds.
        const auto known = static_cast<AfpCommand>(command);
        if (known == AfpCommand::Logout || known == AfpCommand::GetSrvrInfo || known == AfpCommand::GetSrvrParms)
            continue;
        for (const std::size_t length : {2u, 7u, 5000u}) {
            std::vector<std::uint8_t> block(length, 0xFF);
            block[0] = static_cast<std::uint8_t>(command);
            const auto answered = client.session->command(block);
            EXPECT_NE(answered.result, kNoErr) << command << " " << length;
            EXPECT_LE(answered.reply.size(), 1000u);
        }
    }
    EXPECT_EQ(client.call(request(AfpCommand::GetSrvrParms, {})).result, kNoErr);

    // A read larger than the transport carries is cut to it, and is no end of file.
    std::ofstream(share.share() / "Big") << std::string(5000, 'x');
    const auto fork = client.open("Big", kRead);
    const auto read = client.read(fork, 0, 4000);
    EXPECT_EQ(read.result, kNoErr);
    EXPECT_EQ(read.reply.size(), 1000u);
}

TEST(AfpSession, VolumePasswordsAndProblemsNamingTheVolume) {
    ShareFixture share;
    auto server = share.server({}, "secret");
    Client client(*server);
    ASSERT_EQ(client.call(request(AfpCommand::Login, {}, {}, {"AFPVersion 2.0", "No User Authent"})).result, kNoErr);
    const auto parms = AfpServerParms::parse(client.call(request(AfpCommand::GetSrvrParms, {})).reply);
    ASSERT_TRUE(parms && parms->volumes.size() == 1);
    EXPECT_EQ(parms->volumes[0].flags, AfpServerParms::kHasPassword);
    auto openVol = request(AfpCommand::OpenVol, {{Bitmap, 0}}, {}, {"Files"});
    EXPECT_EQ(client.call(openVol).result, code(AfpResult::AccessDenied));
    openVol.block.password = {'s', 'e', 'c', 'r', 'e', 't', 0, 0};
    EXPECT_EQ(client.call(openVol).result, kNoErr);

    AfpServerConfig missing;
    missing.serverName = "Test Server";
    missing.volumes = {{"Gone", share.base() / "nowhere", false, "", share.base() / "state"}};
    std::string problem;
    EXPECT_EQ(AfpServer::create(missing, problem), nullptr);
    EXPECT_NE(problem.find("Gone"), std::string::npos);
    EXPECT_NE(problem.find("nowhere"), std::string::npos);
}

TEST(AfpSession, EnumerationPagesWithinTheReplySize) {
    ShareFixture share;
    for (int i = 0; i < 30; ++i) std::ofstream(share.share() / ("File " + std::to_string(i)));
    auto server = share.server();
    Client client(*server);
    client.logIn();
    std::set<std::string> seen;
    for (std::uint32_t index = 1;;) {
        const auto page = client.call(request(AfpCommand::Enumerate,
                                              {{Volume, client.volume},
                                               {Directory, kRoot},
                                               {Bitmap, 1u << file_bit::LongName},
                                               {ReqCount, 100},
                                               {Index, index},
                                               {Size, 200}},
                                              {path("")}));
        if (page.result == code(AfpResult::ObjectNotFound)) break;
        ASSERT_EQ(page.result, kNoErr);
        EXPECT_LE(page.reply.size(), 200u);
        const auto entries = AfpEnumerateReply::parse(page.reply);
        ASSERT_TRUE(entries && !entries->entries.empty());
        for (const auto& entry : entries->entries) seen.insert(entry.names[file_bit::LongName]);
        index += static_cast<std::uint32_t>(entries->entries.size());
    }
    EXPECT_EQ(seen.size(), 30u);
}

TEST(AfpSession, CommentsThroughTheDesktopReference) {
    ShareFixture share;
    std::ofstream(share.share() / "Note");
    auto server = share.server();
    Client client(*server);
    client.logIn();
    const auto opened = client.call(request(AfpCommand::OpenDT, {{Volume, client.volume}}));
    ASSERT_EQ(opened.result, kNoErr);
    const auto desktop = AfpReply::parse(AfpCommand::OpenDT, opened.reply)->block.get(Reference);
    const auto get = request(AfpCommand::GetComment, {{Reference, desktop}, {Directory, kRoot}}, {path("Note")});
    EXPECT_EQ(client.call(get).result, code(AfpResult::ItemNotFound));
    ASSERT_EQ(client
                  .call(request(AfpCommand::AddComment, {{Reference, desktop}, {Directory, kRoot}}, {path("Note")},
                                {"Read me"}))
                  .result,
              kNoErr);
    EXPECT_EQ(AfpReply::parse(AfpCommand::GetComment, client.call(get).reply)->block.texts[0], "Read me");
    ASSERT_EQ(
        client.call(request(AfpCommand::RemoveComment, {{Reference, desktop}, {Directory, kRoot}}, {path("Note")}))
            .result,
        kNoErr);
    EXPECT_EQ(client.call(get).result, code(AfpResult::ItemNotFound));
    ASSERT_EQ(client.call(request(AfpCommand::CloseDT, {{Reference, desktop}})).result, kNoErr);
    EXPECT_EQ(client.call(get).result, code(AfpResult::ParamErr));
}

TEST(AfpSession, NamedUsersLogInWithTheirPasswordOnly) {
    ShareFixture share;
    std::string problem;
    ASSERT_TRUE(UserFile::store(share.base() / "users", "alice", "wonder", problem)) << problem;
    AfpServerConfig config;
    config.guestAllowed = false;
    config.cleartextAllowed = true;
    config.usersFile = share.base() / "users";
    auto server = share.server(config);
    const auto login = [&](const std::string& password) {
        Client client(*server);
        // Cleartxt Passwrd: the user name, an even pad, and 8 bytes of password.
        auto built = request(AfpCommand::Login, {}, {}, {"AFP2.2", "Cleartxt Passwrd"});
        built.block.rest = {5, 'a', 'l', 'i', 'c', 'e'};
        if ((1 + 7 + 17 + built.block.rest.size()) % 2 != 0) built.block.rest.push_back(0);
        std::vector<std::uint8_t> padded(8, 0);
        std::copy(password.begin(), password.end(), padded.begin());
        built.block.rest.insert(built.block.rest.end(), padded.begin(), padded.end());
        return client.call(built).result;
    };
    EXPECT_EQ(login("wonder"), kNoErr);
    EXPECT_EQ(login("wander"), code(AfpResult::UserNotAuth));
    Client guest(*server);
    EXPECT_EQ(guest.call(request(AfpCommand::Login, {}, {}, {"AFP2.2", "No User Authent"})).result,
              code(AfpResult::BadUAM));
}

TEST(AfpSession, IdsCopiesAndTheDesktopDatabase) {
    ShareFixture share;
    std::ofstream(share.share() / "App") << "code";
    auto server = share.server();
    Client client(*server);
    client.logIn();
    const auto created =
        client.call(request(AfpCommand::CreateID, {{Volume, client.volume}, {Directory, kRoot}}, {path("App")}));
    ASSERT_TRUE(created.result == kNoErr || created.result == code(AfpResult::IDExists));
    const auto id = AfpReply::parse(AfpCommand::CreateID, created.reply)->block.get(Tag);
    const auto resolved = client.call(
        request(AfpCommand::ResolveID, {{Volume, client.volume}, {Tag, id}, {Bitmap, 1u << file_bit::LongName}}));
    ASSERT_EQ(resolved.result, kNoErr);
    const auto reply = AfpReply::parse(AfpCommand::ResolveID, resolved.reply);
    EXPECT_EQ(AfpParameters::parse(ParameterKind::File, reply->block.get(Bitmap), reply->block.rest)
                  ->names[file_bit::LongName],
              "App");

    ASSERT_EQ(
        client
            .call(request(
                AfpCommand::CopyFile,
                {{Volume, client.volume}, {Directory, kRoot}, {DestVolume, client.volume}, {DestDirectory, kRoot}},
                {path("App"), path(""), path("Copy")}))
            .result,
        kNoErr);
    EXPECT_NE(client.parameters(kRoot, "Copy", kFileNumberBit)->numbers[file_bit::FileNumber], id);
    EXPECT_EQ(text(client.read(client.open("Copy", kRead), 0, 4)), "code");

    const auto desktop =
        AfpReply::parse(AfpCommand::OpenDT, client.call(request(AfpCommand::OpenDT, {{Volume, client.volume}})).reply)
            ->block.get(Reference);
    ASSERT_EQ(
        client
            .call(request(AfpCommand::AddAPPL,
                          {{Reference, desktop}, {Directory, kRoot}, {Creator, 0x41505031}, {Tag, 7}}, {path("App")}))
            .result,
        kNoErr);
    const auto appl = client.call(
        request(AfpCommand::GetAPPL,
                {{Reference, desktop}, {Creator, 0x41505031}, {Index, 1}, {Bitmap, 1u << file_bit::LongName}}));
    ASSERT_EQ(appl.result, kNoErr);
    EXPECT_EQ(AfpReply::parse(AfpCommand::GetAPPL, appl.reply)->block.get(Tag), 7u);
    const std::vector<std::uint8_t> icon(128, 0xAA);
    auto addIcon =
        request(AfpCommand::AddIcon,
                {{Reference, desktop}, {Creator, 0x41505031}, {Type, 0x4150504C}, {IconType, 1}, {Tag, 3}, {Size, 128}})
            .serialize();
    ASSERT_EQ(client.session->write(addIcon, icon).result, kNoErr);
    const auto got = client.call(
        request(AfpCommand::GetIcon,
                {{Reference, desktop}, {Creator, 0x41505031}, {Type, 0x4150504C}, {IconType, 1}, {Size, 128}}));
    EXPECT_EQ(got.reply, icon);
    EXPECT_EQ(client.call(request(AfpCommand::DeleteID, {{Volume, client.volume}, {Tag, id}})).result, kNoErr);
    EXPECT_EQ(client.call(request(AfpCommand::ResolveID, {{Volume, client.volume}, {Tag, id}, {Bitmap, 0}})).result,
              code(AfpResult::IDNotFound));
}

} // namespace
} // namespace appletalk::afp
