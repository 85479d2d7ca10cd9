// SPDX-License-Identifier: MIT
// The node service's limits and isolation, with programs scripted byte by byte over its real
// socket: the service's node on an in-process LocalTalk wire, on virtual time.
#include "appletalk/node/ManualClock.h"
#include "appletalk/node/VirtualTimeDriver.h"
#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"
#include "appletalk/nodeservice/NodeService.h"
#include "appletalk/nodeservice/ServiceSocket.h"
#include "appletalk/runtime/NodeNetwork.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace appletalk::nodeservice {
namespace {

// A program that speaks the protocol as the test says, and reads only when told.
class Program {
public:
    explicit Program(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        connected_ = ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~Program() { hangUp(); }
    bool connected() const { return connected_; }
    bool send(const Message& message) {
        const auto bytes = serialize(message);
        return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT) ==
               static_cast<ssize_t>(bytes.size());
    }
    // The next message waiting, if any.
    std::optional<Message> next() {
        std::vector<std::uint8_t> packet(kMaxMessageSize);
        const ssize_t got = ::recv(fd_, packet.data(), packet.size(), MSG_DONTWAIT);
        if (got <= 0) return std::nullopt;
        packet.resize(static_cast<std::size_t>(got));
        return parse(packet);
    }
    template <typename Answer>
    std::optional<Answer> nextOf() {
        while (auto message = next())
            if (auto* answer = std::get_if<Answer>(&*message)) return *answer;
        return std::nullopt;
    }
    void hangUp() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
};

class NodeServiceLimitsTest : public ::testing::Test {
protected:
    NodeServiceLimitsTest() : driver(clock), wire(clock) {
        folder = std::filesystem::temp_directory_path() / ("vidur-nodeservice-" + std::to_string(::getpid()));
        path = (folder / "node").string();
        link = wire.connect();
        node = std::make_unique<Node>(clock, *link);
        driver.add(*node);
        network = std::make_unique<runtime::NodeNetwork>(*node);
        EXPECT_TRUE(driver.advanceUntil([this] { return network->nodeInfo().has_value(); }, 30s));
        std::string problem;
        const int fd = ServiceSocket::listenAt(path, false, problem);
        EXPECT_GE(fd, 0) << problem;
        NodeServiceLimits limits;
        limits.socketsPerProgram = 3;
        limits.sendBufferBytes = 16 * 1024;
        service = std::make_unique<NodeService>(*node, *network, "test:wire", fd, limits,
                                                [this](const std::string& line) { log += line + "\n"; });
        driver.add(*service);
    }
    ~NodeServiceLimitsTest() override {
        driver.remove(*service);
        service.reset();
        std::filesystem::remove_all(folder);
    }

    void settle() { driver.advance(10ms); }
    std::unique_ptr<Program> attach() {
        auto program = std::make_unique<Program>(path);
        EXPECT_TRUE(program->connected());
        settle();
        program->send(Hello{});
        settle();
        EXPECT_TRUE(program->nextOf<Welcome>()) << log;
        return program;
    }
    SocketOpened open(Program& program, std::uint8_t socket) {
        program.send(OpenSocket{++requests, socket});
        settle();
        return program.nextOf<SocketOpened>().value_or(SocketOpened{0, SocketResult::Invalid, 0});
    }
    NameResult registerName(Program& program, std::uint8_t socket, const std::string& object) {
        program.send(RegisterName{++requests, socket, object, "Tester"});
        settle();
        const auto answer = program.nextOf<NameRegistered>();
        return answer ? answer->result : NameResult::Invalid;
    }
    Datagram toSelf(std::uint8_t from, std::uint8_t to, std::size_t size) const {
        return Datagram{{0, node->nodeId(), to}, {0, 0, from}, 77, 0, std::vector<std::uint8_t>(size, 0x5A)};
    }

    ManualClock clock;
    VirtualTimeDriver driver;
    MemoryWire wire;
    std::unique_ptr<Link> link;
    std::unique_ptr<Node> node;
    std::unique_ptr<runtime::NodeNetwork> network;
    std::unique_ptr<NodeService> service;
    std::filesystem::path folder;
    std::string path;
    std::string log;
    std::uint32_t requests = 0;
};

TEST_F(NodeServiceLimitsTest, AProgramHoldsOnlyItsShareAndCannotTouchAnothersSocketsOrNames) {
    auto alice = attach();
    auto bob = attach();
    const SocketOpened first = open(*alice, 0);
    ASSERT_EQ(first.result, SocketResult::Ok);
    EXPECT_EQ(open(*alice, 0).result, SocketResult::Ok);
    EXPECT_EQ(open(*alice, 0).result, SocketResult::Ok);
    EXPECT_EQ(open(*alice, 0).result, SocketResult::TooMany) << "a fourth socket over the limit of three";
    EXPECT_EQ(registerName(*alice, first.socket, "Alice"), NameResult::Ok);

    // Bob can neither close Alice's socket, nor send from it, nor name it.
    bob->send(CloseSocket{first.socket});
    settle();
    EXPECT_EQ(open(*bob, first.socket).result, SocketResult::InUse);
    const std::uint64_t sentBefore = node->counters().datagramsSent;
    bob->send(Send{toSelf(first.socket, first.socket, 10), false, true});
    settle();
    EXPECT_EQ(node->counters().datagramsSent, sentBefore);
    EXPECT_FALSE(alice->nextOf<Deliver>()) << "a datagram sent from a socket that is not the sender's";
    const SocketOpened bobs = open(*bob, 0);
    EXPECT_EQ(registerName(*bob, first.socket, "Bob"), NameResult::NotYourSocket);
    EXPECT_EQ(registerName(*bob, bobs.socket, "Alice"), NameResult::Duplicate);

    // Alice ends without a word: her sockets and her name go with her.
    alice->hangUp();
    settle();
    EXPECT_NE(log.find("left: 3 sockets and 1 names released"), std::string::npos) << log;
    EXPECT_EQ(registerName(*bob, bobs.socket, "Alice"), NameResult::Ok);
    EXPECT_EQ(open(*bob, first.socket).result, SocketResult::Ok);
}

TEST_F(NodeServiceLimitsTest, AProgramThatStopsReadingLosesItsOwnDatagramsAndNothingElse) {
    auto sleeper = attach();
    auto sender = attach();
    const SocketOpened asleep = open(*sleeper, 0);
    const SocketOpened from = open(*sender, 0);
    // Far more than the sleeper's buffer: the service never waits for it.
    constexpr int kFlood = 400;
    int flooded = 0;
    for (int i = 0; i < kFlood; ++i) {
        if (sender->send(Send{toSelf(from.socket, asleep.socket, 500), false, true})) ++flooded;
        if (i % 10 == 0) settle();
    }
    settle();
    ASSERT_GT(flooded, 100);
    EXPECT_NE(log.find("does not read"), std::string::npos) << log;
    // The sender is still served at once.
    EXPECT_EQ(open(*sender, 0).result, SocketResult::Ok);
    int delivered = 0;
    while (sleeper->nextOf<Deliver>()) ++delivered;
    EXPECT_GT(delivered, 0);
    EXPECT_LT(delivered, flooded);
}

TEST_F(NodeServiceLimitsTest, AProgramThatSpeaksNonsenseIsDroppedAndOthersGoOn) {
    auto rude = attach();
    auto polite = attach();
    const SocketOpened rudeSocket = open(*rude, 0);
    ASSERT_EQ(rudeSocket.result, SocketResult::Ok);
    rude->send(NodeState{}); // only the service says this
    settle();
    EXPECT_NE(log.find("sent a message only this service sends"), std::string::npos) << log;
    EXPECT_EQ(open(*polite, rudeSocket.socket).result, SocketResult::Ok) << "the dropped program's socket is free";
}

} // namespace
} // namespace appletalk::nodeservice
