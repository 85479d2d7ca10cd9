// SPDX-License-Identifier: MIT
// A scripted AFP client, written from the protocol documents, for the tests and benchmarks
// that meet `vidur share` as a Mac would: AFP command blocks from their fields, DSI framed
// here over a TCP socket, and ASP from a stack of the caller's own on an LToUDP cable with
// the tree's ASP workstation. Every wait is bounded by kReplyLimit.
#pragma once

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

#include <arpa/inet.h>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vidur::scripted_afp {

using namespace std::chrono_literals;
using namespace appletalk::afp;
using appletalk::dsi::DsiCommand;
using appletalk::dsi::DsiHeader;
using Bytes = std::vector<std::uint8_t>;

inline constexpr auto kReplyLimit = 30s;
inline constexpr std::uint32_t kRootDirectory = 2;
inline constexpr std::int32_t kNoAnswer = 1; // no AFP result is positive
inline constexpr auto kNoErr = static_cast<std::int32_t>(AfpResult::NoErr);

inline Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

struct Answer {
    std::int32_t result = kNoAnswer;
    Bytes reply;
};

// An AFP command block from its fields, in the command's own layout.
inline Bytes block(AfpCommand command, std::initializer_list<std::pair<AfpField, std::uint32_t>> numbers,
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

// A TCP port on 127.0.0.1 that was free a moment ago, for the server's DSI.
inline std::uint16_t freeTcpPort() {
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

// What `vidur share` runs with beside its client: a private profile and state folder under
// `folder`, LToUDP on a private port with TTL 0, no node service, no systemd.
inline std::map<std::string, std::optional<std::string>> shareEnvironment(const std::filesystem::path& folder,
                                                                          int ltoudpPort) {
    return {{"VIDUR_PROFILE_DIR", (folder / "profile").string()},
            {"VIDUR_NETWORK", std::nullopt},
            {"VIDUR_LTOUDP_TTL", "0"},
            {"VIDUR_LTOUDP_PORT", std::to_string(ltoudpPort)},
            {"VIDUR_NODE_SOCKET", "none"},
            {"XDG_STATE_HOME", (folder / "state").string()},
            {"STATE_DIRECTORY", std::nullopt},
            {"INVOCATION_ID", std::nullopt}};
}

template <typename Connection>
inline AfpClient clientOver(Connection& connection) {
    return AfpClient([&connection](const Bytes& command, const Bytes& data) { return connection.call(command, data); });
}

} // namespace vidur::scripted_afp
