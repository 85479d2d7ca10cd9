// SPDX-License-Identifier: MIT
// Two LToUDP links in one process, multicast pinned to loopback on a private port. The only
// tests that wait on real time: a few datagrams through the kernel.
#include "support/FrameRecorder.h"
#include "support/WireBytes.h"

#include "appletalk/node/ltoudp/LToUdpLink.h"
#include "appletalk/protocols/llap/LlapFrame.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace appletalk {
namespace {

using testing::FrameRecorder;
using testing::wireBytes;

LToUdpConfig loopbackConfig(std::uint32_t senderId) {
    LToUdpConfig config;
    config.interfaceAddress = "127.0.0.1";
    // Per process, so test processes run in parallel do not hear each other.
    config.port = static_cast<std::uint16_t>(20000 + ::getpid() % 20000);
    config.ttl = 0;
    config.senderId = senderId;
    return config;
}

// Waits (at most two seconds) until `link` has something to read, then polls it.
void pollWhenReadable(LToUdpLink& link) {
    pollfd fd{link.waitHandle(), POLLIN, 0};
    ::poll(&fd, 1, 2000);
    link.poll();
}

struct LToUdpLinkTest : ::testing::Test {
    void SetUp() override {
        std::string error;
        a = LToUdpLink::open(loopbackConfig(0x11111111), error);
        if (a) b = LToUdpLink::open(loopbackConfig(0x22222222), error);
        if (!a || !b) GTEST_SKIP() << "multicast on loopback is not available here: " << error;
    }

    std::unique_ptr<LToUdpLink> a;
    std::unique_ptr<LToUdpLink> b;
};

TEST_F(LToUdpLinkTest, TwoLinksExchangeFramesAndEachIgnoresItsOwn) {
    FrameRecorder atA(*a);
    FrameRecorder atB(*b);
    ASSERT_TRUE(a->send(wireBytes("ff 14 01 00 06 01 c8 05 01")));
    pollWhenReadable(*b);
    ASSERT_EQ(atB.frames.size(), 1u);
    EXPECT_EQ(atB.frames[0], wireBytes("ff 14 01 00 06 01 c8 05 01"));

    ASSERT_TRUE(b->send(wireBytes("14 14 82")));
    pollWhenReadable(*a);
    // A reads its own datagram (looped back) and B's, in some order; only B's counts.
    while (atA.frames.empty() && a->counters().ownDropped < 2) pollWhenReadable(*a);
    ASSERT_EQ(atA.frames.size(), 1u);
    EXPECT_EQ(atA.frames[0], wireBytes("14 14 82"));
    pollWhenReadable(*b);
    EXPECT_EQ(a->counters().ownDropped, 1u);
    EXPECT_EQ(b->counters().ownDropped, 1u);
    EXPECT_EQ(b->counters().datagramsReceived, 1u);
}

TEST_F(LToUdpLinkTest, DatagramsOfTheWrongSizeAreDroppedAndCounted) {
    FrameRecorder atB(*b);
    const int raw = ::socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(raw, 0);
    in_addr loopback{};
    inet_pton(AF_INET, "127.0.0.1", &loopback);
    const unsigned char ttl = 0;
    setsockopt(raw, IPPROTO_IP, IP_MULTICAST_IF, &loopback, sizeof loopback);
    setsockopt(raw, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
    sockaddr_in group{};
    group.sin_family = AF_INET;
    group.sin_port = htons(loopbackConfig(0).port);
    inet_pton(AF_INET, "239.192.76.84", &group.sin_addr);
    const auto sendRaw = [&](const std::vector<std::uint8_t>& bytes) {
        ::sendto(raw, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&group), sizeof group);
    };
    sendRaw(wireBytes("33 33 33 33 14 14")); // 6 bytes
    sendRaw(std::vector<std::uint8_t>(608, 0x01)); // one over the largest
    sendRaw(wireBytes("33 33 33 33 14 14 81")); // the smallest legal one
    for (int i = 0; i < 10 && atB.frames.size() < 2; ++i) pollWhenReadable(*b);
    ::close(raw);
    // The oversize one goes on, longer than any LLAP frame, for the node to count.
    ASSERT_EQ(atB.frames.size(), 2u);
    EXPECT_GT(atB.frames[0].size(), LlapFrame::kMaxFrameSize);
    EXPECT_EQ(atB.frames[1], wireBytes("14 14 81"));
    EXPECT_EQ(b->counters().sizeDropped, 2u);
}

TEST(LToUdpLinkOpenTest, RefusesAddressesThatAreNotWhatTheyShouldBe) {
    std::string error;
    LToUdpConfig config = loopbackConfig(1);
    config.group = "127.0.0.1";
    EXPECT_FALSE(LToUdpLink::open(config, error));
    EXPECT_NE(error.find("multicast"), std::string::npos);
    config = loopbackConfig(1);
    config.interfaceAddress = "not-an-address";
    EXPECT_FALSE(LToUdpLink::open(config, error));
    config = loopbackConfig(1);
    config.ttl = 256;
    EXPECT_FALSE(LToUdpLink::open(config, error));
}

TEST(LToUdpLinkOpenTest, PicksANonZeroRandomSenderIdWhenNoneIsGiven) {
    std::string error;
    auto link = LToUdpLink::open(loopbackConfig(0), error);
    if (!link) GTEST_SKIP() << "multicast on loopback is not available here: " << error;
    auto other = LToUdpLink::open(loopbackConfig(0), error);
    ASSERT_TRUE(other);
    EXPECT_NE(link->senderId(), 0u);
    EXPECT_NE(link->senderId(), other->senderId());
}

TEST(ReceiveBufferGrant, IsShortWhenTheKernelKeptItUnderWhatWasAskedAndNamesTheSysctl) {
    // Linux reports twice what it grants: the default rmem_max (208 KiB) reads as 416 KiB.
    const auto limited = ReceiveBufferGrant::fromReported(kBurstReceiveBufferBytes, 2 * 212992);
    EXPECT_EQ(limited.grantedBytes, 212992);
    EXPECT_TRUE(limited.isShort());
    EXPECT_EQ(limited.advice(),
              "the kernel gave the receive buffer 208 KiB of the 4096 KiB asked, so a large burst of "
              "replies may be cut; to allow it: sysctl -w net.core.rmem_max=4194304");
    EXPECT_FALSE(ReceiveBufferGrant::fromReported(kBurstReceiveBufferBytes, 2 * kBurstReceiveBufferBytes).isShort());

    // An open link tells what its socket got, whichever that is here.
    std::string error;
    auto link = LToUdpLink::open(loopbackConfig(0), error);
    if (!link) GTEST_SKIP() << "multicast on loopback is not available here: " << error;
    ASSERT_TRUE(link->receiveBuffer());
    EXPECT_GT(link->receiveBuffer()->grantedBytes, 0);
    EXPECT_EQ(link->receiveBuffer()->askedBytes, kBurstReceiveBufferBytes);
}

} // namespace
} // namespace appletalk
