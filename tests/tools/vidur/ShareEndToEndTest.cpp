// SPDX-License-Identifier: MIT
// `vidur share` as a Mac meets it: the real process on LToUDP over loopback (a private port,
// TTL 0) with DSI on a loopback TCP port, and a scripted AFP client written from the protocol
// documents. Over TCP the client frames DSI itself; over AppleTalk it runs a stack of its
// own and the tree's ASP workstation, as a Mac's stack would. Every wait is for a reply, a
// line or a close, never for time.
#include "VidurProcess.h"

#include "appletalk/afp/server/auth/UamClient.h"
#include "appletalk/afp/server/auth/UserFile.h"

#include "appletalk/protocols/afp/AfpCommand.h"
#include "appletalk/protocols/afp/AfpEnumerateReply.h"
#include "appletalk/protocols/afp/AfpParameters.h"
#include "appletalk/protocols/afp/AfpReply.h"
#include "appletalk/protocols/afp/AfpRequest.h"
#include "appletalk/protocols/afp/AfpResult.h"
#include "appletalk/protocols/afp/AfpServerInfo.h"
#include "appletalk/protocols/afp/AfpServerParms.h"
#include "appletalk/protocols/dsi/DsiHeader.h"
#include "appletalk/protocols/dsi/DsiSessionOptions.h"
#include "appletalk/runtime/Stack.h"
#include "appletalk/services/asp/AspClient.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vidur::cli {
namespace {

using namespace std::chrono_literals;
using namespace appletalk::afp;
using appletalk::dsi::DsiCommand;
using appletalk::dsi::DsiHeader;
using testing::VidurProcess;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr auto kReplyLimit = 30s;
constexpr std::uint32_t kRootDirectory = 2;
constexpr std::int32_t kNoAnswer = 1; // no AFP result is positive
constexpr auto kNoErr = static_cast<std::int32_t>(AfpResult::NoErr);

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

struct Answer {
    std::int32_t result = kNoAnswer;
    Bytes reply;
};

// An AFP command block from its fields, in the command's own layout.
Bytes block(AfpCommand command, std::initializer_list<std::pair<AfpField, std::uint32_t>> numbers,
            std::vector<std::string> paths = {}, std::vector<std::string> texts = {}, Bytes rest = {}) {
    AfpRequest request{command, {}};
    for (const auto& [field, value] : numbers) request.block.set(field, value);
    for (std::string& path : paths) request.block.paths.push_back({AfpPathType::LongNames, std::move(path)});
    request.block.texts = std::move(texts);
    request.block.rest = std::move(rest);
    return request.serialize();
}

// One AFP session over either transport: `send` carries a command, and a Write's data.
class AfpClient {
public:
    using Send = std::function<Answer(const Bytes& command, const Bytes& data)>;
    explicit AfpClient(Send send) : send_(std::move(send)) {}

    Answer call(const Bytes& command, const Bytes& data = {}) { return send_(command, data); }

    std::int32_t loginAsGuest(const std::string& version) {
        return call(block(AfpCommand::Login, {}, {}, {version, "No User Authent"})).result;
    }
    std::uint16_t openVolume(const std::string& name) {
        const Answer answer =
            call(block(AfpCommand::OpenVol, {{AfpField::Bitmap, 1u << volume_bit::VolumeId}}, {}, {name}));
        const auto reply = AfpReply::parse(AfpCommand::OpenVol, answer.reply);
        if (answer.result != kNoErr || !reply) return 0;
        const auto parameters =
            AfpParameters::parse(ParameterKind::Volume, reply->block.get(AfpField::Bitmap), reply->block.rest);
        return parameters ? static_cast<std::uint16_t>(parameters->numbers[volume_bit::VolumeId]) : 0;
    }
    // The file's parameters the bitmap asks for; nothing when the call fails.
    std::optional<AfpParameters> fileParameters(std::uint32_t directory, const std::string& path,
                                                std::uint16_t bitmap) {
        const Answer answer = call(block(AfpCommand::GetFileDirParms,
                                         {{AfpField::Volume, volume},
                                          {AfpField::Directory, directory},
                                          {AfpField::Bitmap, bitmap},
                                          {AfpField::DirectoryBitmap, 0}},
                                         {path}));
        const auto reply = AfpReply::parse(AfpCommand::GetFileDirParms, answer.reply);
        if (answer.result != kNoErr || !reply || (reply->block.get(AfpField::Flag) & kIsDirectory) != 0)
            return std::nullopt;
        return AfpParameters::parse(ParameterKind::File, bitmap, reply->block.rest);
    }
    // An open fork's reference, 0 when refused.
    std::uint16_t openFork(std::uint32_t directory, const std::string& name, bool resource) {
        const Answer answer = call(block(AfpCommand::OpenFork,
                                         {{AfpField::Flag, resource ? kResourceFork : 0u},
                                          {AfpField::Volume, volume},
                                          {AfpField::Directory, directory},
                                          {AfpField::Bitmap, 0},
                                          {AfpField::AccessMode, 3}}, // read and write
                                         {name}));
        const auto reply = AfpReply::parse(AfpCommand::OpenFork, answer.reply);
        return answer.result == kNoErr && reply ? static_cast<std::uint16_t>(reply->block.get(AfpField::Reference)) : 0;
    }
    std::int32_t write(std::uint16_t fork, const Bytes& data) {
        return call(block(AfpCommand::Write, {{AfpField::Reference, fork},
                                              {AfpField::Offset, 0},
                                              {AfpField::Count, static_cast<std::uint32_t>(data.size())}}),
                    data)
            .result;
    }
    Answer read(std::uint16_t fork, std::uint32_t count) {
        return call(
            block(AfpCommand::Read, {{AfpField::Reference, fork}, {AfpField::Offset, 0}, {AfpField::Count, count}}));
    }
    std::int32_t closeFork(std::uint16_t fork) {
        return call(block(AfpCommand::CloseFork, {{AfpField::Reference, fork}})).result;
    }
    std::vector<std::string> enumerate(std::uint32_t directory) {
        const std::uint16_t names = 1u << file_bit::LongName;
        const Answer answer = call(block(AfpCommand::Enumerate,
                                         {{AfpField::Volume, volume},
                                          {AfpField::Directory, directory},
                                          {AfpField::Bitmap, names},
                                          {AfpField::DirectoryBitmap, names},
                                          {AfpField::ReqCount, 50},
                                          {AfpField::Index, 1},
                                          {AfpField::Size, 4000}},
                                         {""}));
        std::vector<std::string> found;
        if (const auto reply = AfpEnumerateReply::parse(answer.reply); answer.result == kNoErr && reply)
            for (const AfpParameters& entry : reply->entries) found.push_back(entry.names[file_bit::LongName]);
        return found;
    }

    std::uint16_t volume = 0;

private:
    Send send_;
};

// DSI over a TCP socket to the server, framed here from the protocol documents.
class DsiConnection {
public:
    explicit DsiConnection(std::uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~DsiConnection() {
        if (fd_ >= 0) ::close(fd_);
    }

    bool isConnected() const { return fd_ >= 0; }
    std::optional<Bytes> status() {
        const auto reply = exchange(DsiCommand::GetStatus, {}, 0);
        return reply ? std::optional(reply->second) : std::nullopt;
    }
    bool openSession() {
        const auto options = appletalk::dsi::DsiSessionOptions::with(appletalk::dsi::DsiOptionType::AttentionQuantum,
                                                                     appletalk::dsi::kMinAttentionQuantum);
        const auto reply = exchange(DsiCommand::OpenSession, options.serialize(), 0);
        return reply && reply->first.errorCode() == 0;
    }
    Answer call(const Bytes& command, const Bytes& data) {
        Bytes payload = command;
        payload.insert(payload.end(), data.begin(), data.end());
        const auto reply = exchange(data.empty() ? DsiCommand::Command : DsiCommand::Write, payload,
                                    data.empty() ? 0 : static_cast<std::uint32_t>(command.size()));
        if (!reply) return {};
        return {reply->first.errorCode(), reply->second};
    }
    // Reads what the server sends until an attention comes (its code) or the session ends.
    std::optional<std::uint16_t> awaitAttention() {
        while (attentions_.empty() && receiveOne(std::chrono::steady_clock::now() + kReplyLimit)) {}
        if (attentions_.empty()) return std::nullopt;
        return attentions_.front();
    }
    // True once the server has closed the session (CloseSession, or the connection).
    bool awaitClose() {
        while (!closed_ && receiveOne(std::chrono::steady_clock::now() + kReplyLimit)) {}
        return closed_;
    }

private:
    using Message = std::pair<DsiHeader, Bytes>;

    std::optional<Message> exchange(DsiCommand command, const Bytes& payload, std::uint32_t offset) {
        DsiHeader header = DsiHeader::request(command, nextId_++, static_cast<std::uint32_t>(payload.size()));
        header.errorOrOffset = offset;
        const auto head = header.serialize();
        Bytes frame(head.begin(), head.end());
        frame.insert(frame.end(), payload.begin(), payload.end());
        if (fd_ < 0 || ::send(fd_, frame.data(), frame.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(frame.size()))
            return std::nullopt;
        const auto deadline = std::chrono::steady_clock::now() + kReplyLimit;
        while (!reply_ || reply_->first.requestId != header.requestId)
            if (!receiveOne(deadline)) return std::nullopt;
        return std::exchange(reply_, std::nullopt);
    }
    // One message from the server: a reply is kept, its own requests are taken care of.
    bool receiveOne(std::chrono::steady_clock::time_point deadline) {
        Bytes head(appletalk::dsi::kHeaderSize);
        if (!readExactly(head, deadline)) return false;
        const auto header = DsiHeader::parse(head);
        if (!header) return false;
        Bytes payload(header->totalLength);
        if (!readExactly(payload, deadline)) return false;
        if (header->reply) {
            reply_ = Message{*header, std::move(payload)};
        } else if (header->command == DsiCommand::Attention && payload.size() >= 2) {
            attentions_.push_back(static_cast<std::uint16_t>(payload[0] << 8 | payload[1]));
            const auto ack = DsiHeader::replyTo(*header, 0, 0).serialize();
            ::send(fd_, ack.data(), ack.size(), MSG_NOSIGNAL);
        } else if (header->command == DsiCommand::CloseSession) {
            closed_ = true;
        }
        return true;
    }
    bool readExactly(Bytes& into, std::chrono::steady_clock::time_point deadline) {
        std::size_t got = 0;
        while (got < into.size()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd ready{fd_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) return false;
            const ssize_t n = ::recv(fd_, into.data() + got, into.size() - got, 0);
            if (n <= 0) {
                closed_ = true;
                return false;
            }
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

    int fd_ = -1;
    std::uint16_t nextId_ = 1;
    std::optional<Message> reply_;
    std::vector<std::uint16_t> attentions_;
    bool closed_ = false;
};

// The test's own AppleTalk node on the same LToUDP cable, with the tree's ASP workstation.
class AspConnection {
public:
    explicit AspConnection(int port) {
        appletalk::runtime::StackSettings settings;
        settings.link = appletalk::runtime::LinkKind::LToUdp;
        settings.linkChosen = true;
        settings.interfaceAddress = "127.0.0.1";
        settings.ttl = 0;
        settings.port = static_cast<std::uint16_t>(port);
        appletalk::runtime::StackOptions options;
        options.useNodeService = false;
        options.firstStartWait = kReplyLimit;
        stack_ = std::make_shared<appletalk::runtime::Stack>(settings, options);
        if (!stack_->isOnline() || !stack_->awaitFirstStart()) return;
        appletalk::AspClientEvents events;
        // A resent Attention may be heard twice: the first is the one kept.
        events.attention = [this](std::uint16_t code) {
            if (!heardAttention_) attention_.set_value(code);
            heardAttention_ = true;
        };
        stack_->run([&] { client_ = std::make_unique<appletalk::AspClient>(*stack_->node(), events); });
    }
    ~AspConnection() {
        if (client_) stack_->run([&] { client_.reset(); });
    }

    // Finds SERVER:AFPServer by NBP and opens a session on its listening socket; what went
    // wrong, or nothing.
    std::string open(const std::string& server) {
        if (!client_) return "the test's node did not start: " + stack_->problem();
        auto found = std::make_shared<std::promise<std::optional<appletalk::DdpAddress>>>();
        stack_->run([&] {
            auto address = std::make_shared<std::optional<appletalk::DdpAddress>>();
            stack_->network().lookup(
                {server, "AFPServer", "*"}, {1s, 5, 1},
                [address](const appletalk::nbp::NbpTuple& tuple) {
                    *address = appletalk::DdpAddress{tuple.network, tuple.node, tuple.socket};
                },
                [found, address](int) { found->set_value(*address); });
        });
        const auto listener = wait(found->get_future());
        if (!listener || !*listener) return "no AFPServer answered the look-up";
        const auto opened = call([&](auto done) { return client_->open(**listener, done); });
        if (opened.status != appletalk::AspClientStatus::Ok)
            return "OpenSess failed: status " + std::to_string(static_cast<int>(opened.status)) + ", result " +
                   std::to_string(opened.result);
        return {};
    }
    Answer call(const Bytes& command, const Bytes& data) {
        const auto result = call([&](auto done) {
            return data.empty() ? client_->command(command, done) : client_->write(command, data, done);
        });
        if (result.status != appletalk::AspClientStatus::Ok) return {};
        return {result.result, result.reply};
    }
    std::optional<std::uint16_t> awaitAttention() { return wait(attention_.get_future()); }

private:
    template <typename Start>
    appletalk::AspCallResult call(Start start) {
        auto promise = std::make_shared<std::promise<appletalk::AspCallResult>>();
        const bool started = stack_->run(
            [&] { return start([promise](const appletalk::AspCallResult& result) { promise->set_value(result); }); });
        if (!started) return {appletalk::AspClientStatus::NotOpen, 0, {}};
        return wait(promise->get_future())
            .value_or(appletalk::AspCallResult{appletalk::AspClientStatus::NoResponse, 0, {}});
    }
    template <typename T>
    static std::optional<T> wait(std::future<T> future) {
        if (future.wait_for(kReplyLimit) != std::future_status::ready) return std::nullopt;
        return future.get();
    }

    std::shared_ptr<appletalk::runtime::Stack> stack_;
    std::unique_ptr<appletalk::AspClient> client_;
    std::promise<std::uint16_t> attention_;
    bool heardAttention_ = false; // on the stack's thread
};

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

    VidurProcess::Environment environment() const {
        return {{"VIDUR_PROFILE_DIR", (folder / "profile").string()},
                {"VIDUR_NETWORK", std::nullopt},
                {"VIDUR_LTOUDP_TTL", "0"},
                {"VIDUR_LTOUDP_PORT", std::to_string(port)},
                {"VIDUR_NODE_SOCKET", "none"},
                {"XDG_STATE_HOME", (folder / "state").string()},
                {"STATE_DIRECTORY", std::nullopt},
                {"INVOCATION_ID", std::nullopt}};
    }

    // The server up, its name registered; false (the test skipped or failed) when not.
    bool startServer(std::unique_ptr<VidurProcess>& server, const std::vector<std::string>& more = {}) {
        std::vector<std::string> arguments{
            "share",     "Test=" + volume.string(), "--name", kServer, "--tcp", "127.0.0.1:" + std::to_string(tcpPort),
            "--network", "ltoudp:127.0.0.1"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        server = std::make_unique<VidurProcess>(arguments, environment());
        if (server->waitForOutput("sharing Test as Share Test:AFPServer@", 60s)) return true;
        const auto ended = server->finish(5s);
        if (ended.err.find("LToUDP on 127.0.0.1") != std::string::npos)
            skipped = "multicast on loopback is not available here: " + ended.err;
        else
            ADD_FAILURE() << "the server did not come up: " << ended.out << ended.err;
        return false;
    }

    static std::uint16_t freeTcpPort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
        ::close(fd);
        return ntohs(address.sin_port);
    }

    static constexpr const char* kServer = "Share Test";
    fs::path folder, volume;
    std::string skipped;
    int port = 20000 + ::getpid() % 20000;
    std::uint16_t tcpPort = 0;
};

template <typename Connection>
AfpClient clientOver(Connection& connection) {
    return AfpClient([&connection](const Bytes& command, const Bytes& data) { return connection.call(command, data); });
}

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

} // namespace
} // namespace vidur::cli
