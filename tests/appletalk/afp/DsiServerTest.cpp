// SPDX-License-Identifier: MIT
// The DSI server against clients scripted from the protocol's documents over loopback TCP,
// polled by the test on a hand-stepped clock.
#include "appletalk/afp/dsi/DsiServer.h"
#include "appletalk/node/ManualClock.h"
#include "appletalk/protocols/asp/AspFunction.h"
#include "appletalk/protocols/dsi/DsiSessionOptions.h"

#include <gtest/gtest.h>

#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace appletalk::afp {
namespace {

using dsi::DsiCommand;
using dsi::DsiHeader;

struct Message {
    DsiHeader header;
    std::vector<std::uint8_t> body;
};

class Client {
public:
    Client(std::uint16_t port, int receiveBuffer) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (receiveBuffer != 0) ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    }
    ~Client() { ::close(fd_); }
    int fd() const { return fd_; }
    bool closed() const { return closed_; }

    void send(std::span<const std::uint8_t> bytes) {
        ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    }
    static std::vector<std::uint8_t> encode(DsiCommand command, std::uint16_t id, std::vector<std::uint8_t> body,
                                            std::uint32_t dataOffset = 0) {
        const auto head =
            DsiHeader{false, command, id, dataOffset, static_cast<std::uint32_t>(body.size()), 0}.serialize();
        body.insert(body.begin(), head.begin(), head.end());
        return body;
    }
    void request(DsiCommand command, std::uint16_t id, std::vector<std::uint8_t> body = {}) {
        send(encode(command, id, std::move(body)));
    }
    // Takes what has arrived.
    void pump() {
        std::uint8_t chunk[65536];
        ssize_t got = 0;
        while ((got = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT)) > 0) in_.insert(in_.end(), chunk, chunk + got);
        closed_ = closed_ || got == 0;
    }
    std::optional<Message> next() {
        if (in_.size() - read_ < dsi::kHeaderSize) return std::nullopt;
        const auto header = DsiHeader::parse(std::span(in_).subspan(read_, dsi::kHeaderSize));
        if (!header || in_.size() - read_ < dsi::kHeaderSize + header->totalLength) return std::nullopt;
        const auto body = in_.begin() + static_cast<std::ptrdiff_t>(read_ + dsi::kHeaderSize);
        Message message{*header, {body, body + header->totalLength}};
        read_ += dsi::kHeaderSize + header->totalLength;
        return message;
    }

    bool reading = true; // false: a client that leaves the server's output unread

private:
    int fd_ = -1;
    std::vector<std::uint8_t> in_;
    std::size_t read_ = 0;
    bool closed_ = false;
};

class DsiServerTest : public ::testing::Test {
protected:
    void start(const std::function<void(DsiServerOptions&)>& configure) {
        DsiServerOptions options;
        configure(options);
        std::string problem;
        const int fd = openDsiListener("127.0.0.1", 0, problem);
        ASSERT_GE(fd, 0) << problem;
        sockaddr_in address{};
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        options.log = [this](const std::string& line) { log_ += line + "\n"; };
        DsiServerHandlers handlers;
        handlers.status = [] { return std::vector<std::uint8_t>{'S', 'T'}; };
        handlers.opened = [this](std::uint32_t session, const std::string& peer) {
            sessions_.push_back(session);
            return peer.starts_with("127.0.0.1:") && admit_;
        };
        handlers.command = [this](std::uint32_t session, std::span<const std::uint8_t> command) {
            ++commands_;
            if (!command.empty() && command[0] == 0xff) server_->close(session); // as after a logout
            return replySize_ != 0 ? DsiCommandReply{0, std::vector<std::uint8_t>(replySize_)}
                                   : DsiCommandReply{7, {command.begin(), command.end()}};
        };
        handlers.write = [this](std::uint32_t, std::span<const std::uint8_t> command,
                                std::span<const std::uint8_t> data) {
            written_ = {command.size(), data.size()};
            return DsiCommandReply{0, {}};
        };
        handlers.closed = [this](std::uint32_t session) { closed_.push_back(session); };
        server_ = std::make_unique<DsiServer>(fd, std::move(handlers), std::move(options), clock_);
    }
    Client& connect(int receiveBuffer = 0) {
        return *clients_.emplace_back(std::make_unique<Client>(port_, receiveBuffer));
    }
    void settle() {
        while (server_->poll()) {}
    }
    // Polls the server and reads for the reading clients until `done` holds; false when
    // nothing at all happens for ten seconds.
    bool until(const std::function<bool()>& done) {
        for (;;) {
            settle();
            std::vector<pollfd> watched{{server_->waitHandle(), POLLIN, 0}};
            for (auto& client : clients_) {
                if (!client->reading || client->closed()) continue;
                client->pump();
                watched.push_back({client->fd(), POLLIN, 0});
            }
            if (done()) return true;
            if (::poll(watched.data(), watched.size(), 10000) <= 0) return false;
        }
    }
    Message expect(Client& client, DsiCommand command) {
        std::optional<Message> message;
        // Tickles may come between any two messages.
        const auto wanted = [&] {
            while ((message = client.next()) && message->header.command == DsiCommand::Tickle &&
                   command != DsiCommand::Tickle) {}
            return message.has_value();
        };
        EXPECT_TRUE(until(wanted));
        EXPECT_EQ(message.value_or(Message{}).header.command, command);
        return message.value_or(Message{});
    }
    Message open(Client& client) {
        client.request(DsiCommand::OpenSession, 1,
                       dsi::DsiSessionOptions::with(dsi::DsiOptionType::AttentionQuantum, 2).serialize());
        const auto reply = expect(client, DsiCommand::OpenSession);
        EXPECT_EQ(reply.header.errorCode(), 0);
        return reply;
    }
    bool hungUp(Client& client) {
        return until([&] { return client.closed(); });
    }

    ManualClock clock_;
    std::uint16_t port_ = 0;
    std::unique_ptr<DsiServer> server_;
    std::vector<std::unique_ptr<Client>> clients_;
    std::string log_;
    bool admit_ = true;
    std::size_t replySize_ = 0;
    int commands_ = 0;
    std::pair<std::size_t, std::size_t> written_;
    std::vector<std::uint32_t> sessions_; // as offered to the handler
    std::vector<std::uint32_t> closed_;
};

TEST_F(DsiServerTest, AnswersStatusOpenSessionCommandsAndSplitWrites) {
    start([](DsiServerOptions& options) { options.requestQuantum = 4096; });
    Client& asking = connect();
    asking.request(DsiCommand::GetStatus, 9);
    const auto status = expect(asking, DsiCommand::GetStatus);
    EXPECT_TRUE(status.header.reply);
    EXPECT_EQ(status.header.requestId, 9);
    EXPECT_EQ(status.body, (std::vector<std::uint8_t>{'S', 'T'}));
    EXPECT_TRUE(hungUp(asking)) << "a status-only connection is closed";

    Client& client = connect();
    const auto opened = open(client);
    EXPECT_EQ(dsi::DsiSessionOptions::parse(opened.body)->word(dsi::DsiOptionType::ServerRequestQuantum), 4096u);
    EXPECT_EQ(server_->sessionCount(), 1u);
    EXPECT_NE(log_.find("127.0.0.1:"), std::string::npos);

    // Two commands in one segment, answered in order under their own ids.
    auto both = Client::encode(DsiCommand::Command, 2, {1, 2, 3});
    const auto second = Client::encode(DsiCommand::Command, 3, {4});
    both.insert(both.end(), second.begin(), second.end());
    client.send(both);
    const auto first = expect(client, DsiCommand::Command);
    EXPECT_EQ(first.header.requestId, 2);
    EXPECT_EQ(first.header.errorCode(), 7);
    EXPECT_EQ(first.body, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(expect(client, DsiCommand::Command).header.requestId, 3);

    // A write of 12 bytes of command and 3000 of data, one byte per TCP segment.
    const auto write = Client::encode(DsiCommand::Write, 4, std::vector<std::uint8_t>(3012, 0x5a), 12);
    for (const std::uint8_t byte : write) {
        client.send(std::span(&byte, 1));
        server_->poll();
    }
    EXPECT_EQ(expect(client, DsiCommand::Write).header.requestId, 4);
    EXPECT_EQ(written_, (std::pair<std::size_t, std::size_t>{12, 3000}));
}

TEST_F(DsiServerTest, TicklesBothWaysAndDropsASilentClient) {
    start([](DsiServerOptions& options) {
        options.tickleInterval = 30s;
        options.sessionTimeout = 120s;
    });
    Client& talking = connect();
    Client& silent = connect();
    open(talking);
    open(silent);
    clock_.advance(31s);
    EXPECT_FALSE(expect(talking, DsiCommand::Tickle).header.reply);
    for (int minute = 0; minute < 3; ++minute) {
        clock_.advance(60s);
        talking.request(DsiCommand::Tickle, static_cast<std::uint16_t>(10 + minute));
        settle();
    }
    EXPECT_TRUE(hungUp(silent));
    EXPECT_EQ(closed_, std::vector<std::uint32_t>{sessions_.back()});
    EXPECT_NE(log_.find("silent"), std::string::npos);
    EXPECT_EQ(server_->sessionCount(), 1u);
    int tickles = 0;
    while (auto message = silent.next()) tickles += message->header.command == DsiCommand::Tickle;
    EXPECT_GE(tickles, 1);
    EXPECT_LE(tickles, 151 / 30) << "one per interval of its 151 s, however late the poll";
}

TEST_F(DsiServerTest, RefusesPastTheLimitsAndClosesWhatIsNotDsi) {
    start([](DsiServerOptions& options) {
        options.maxSessions = 1;
        options.requestQuantum = 1024;
    });
    Client& first = connect();
    open(first);
    Client& over = connect();
    over.request(DsiCommand::OpenSession, 5);
    EXPECT_EQ(expect(over, DsiCommand::OpenSession).header.errorCode(),
              static_cast<std::int32_t>(asp::AspError::ServerBusy));
    EXPECT_TRUE(hungUp(over));

    first.request(DsiCommand::CloseSession, 2);
    EXPECT_TRUE(hungUp(first));
    EXPECT_EQ(closed_.size(), 1u);
    admit_ = false;
    Client& unwanted = connect();
    unwanted.request(DsiCommand::OpenSession, 6);
    EXPECT_NE(expect(unwanted, DsiCommand::OpenSession).header.errorCode(), 0);
    EXPECT_TRUE(hungUp(unwanted));

    Client& garbage = connect();
    garbage.send(std::vector<std::uint8_t>(16, 0x77));
    EXPECT_TRUE(hungUp(garbage));
    Client& oversize = connect();
    oversize.send(DsiHeader::request(DsiCommand::Command, 1, 1024 + 65).serialize());
    EXPECT_TRUE(hungUp(oversize));
    Client& early = connect();
    early.request(DsiCommand::Command, 1, {1});
    EXPECT_TRUE(hungUp(early));
    EXPECT_EQ(commands_, 0);
    EXPECT_NE(log_.find("not a DSI message"), std::string::npos);
    EXPECT_NE(log_.find("over the quantum"), std::string::npos);
}

TEST_F(DsiServerTest, StopsReadingAClientThatLeavesItsRepliesUnread) {
    constexpr std::size_t kReply = 256 * 1024;
    constexpr int kRequests = 64;
    start([](DsiServerOptions& options) { options.maxOutputBacklog = kReply; });
    Client& stuck = connect(16 * 1024);
    open(stuck);
    stuck.reading = false;
    replySize_ = kReply;
    for (int i = 0; i < kRequests; ++i) stuck.request(DsiCommand::Command, static_cast<std::uint16_t>(i), {1});
    settle();
    // Replies held: the server's bound and one reply over it, plus what the kernel buffers.
    std::size_t kernelSendMax = 0;
    std::ifstream("/proc/sys/net/ipv4/tcp_wmem") >> kernelSendMax >> kernelSendMax >> kernelSendMax;
    const std::size_t bound = (2 * kReply + kernelSendMax + 2 * 16 * 1024) / kReply + 1;
    ASSERT_LT(bound, static_cast<std::size_t>(kRequests)) << "the kernel would hold every reply";
    const int answered = commands_;
    EXPECT_LE(static_cast<std::size_t>(answered), bound);

    replySize_ = 0;
    Client& other = connect();
    open(other);
    other.request(DsiCommand::Command, 8, {2});
    EXPECT_EQ(expect(other, DsiCommand::Command).header.requestId, 8);

    stuck.reading = true;
    EXPECT_TRUE(until([&] { return commands_ > answered + 1; })) << "reading resumes once the client reads";
}

TEST_F(DsiServerTest, SendsAttentionsAndClosesSessionsFromTheServer) {
    start([](DsiServerOptions& options) { options.tickleInterval = 30s; });
    Client& first = connect();
    Client& second = connect();
    open(first);
    const std::uint32_t session = sessions_.back();
    open(second);
    EXPECT_FALSE(server_->attention(session, 0));
    EXPECT_FALSE(server_->attention(999, 0x8000));
    ASSERT_TRUE(server_->attention(session, 0x8005));
    const auto attention = expect(first, DsiCommand::Attention);
    EXPECT_EQ(attention.body, (std::vector<std::uint8_t>{0x80, 0x05}));
    clock_.advance(30s);
    EXPECT_EQ(expect(first, DsiCommand::Tickle).header.requestId, attention.header.requestId + 1);

    // Closed by a handler while it answers: the reply goes first.
    first.request(DsiCommand::Command, 4, {0xff});
    EXPECT_EQ(expect(first, DsiCommand::Command).header.requestId, 4);
    expect(first, DsiCommand::CloseSession);
    EXPECT_TRUE(hungUp(first));
    EXPECT_EQ(closed_, std::vector<std::uint32_t>{session});

    server_->closeAll();
    EXPECT_EQ(server_->sessionCount(), 0u);
    expect(second, DsiCommand::CloseSession);
    EXPECT_TRUE(hungUp(second));
    EXPECT_EQ(closed_.size(), 2u);
}

} // namespace
} // namespace appletalk::afp
