// SPDX-License-Identifier: MIT
// The built `vidur` against a hostile station on LToUDP over loopback: it plays the router
// (RTMP, ZIP, NBP BrRq) and two printers, and shows one misbehaviour per test. Every command
// must end on its own, say what happened, and send no more than the protocols' schedules.
#include "LToUdpPeer.h"
#include "VidurProcess.h"

#include "appletalk/protocols/atp/AtpPacket.h"
#include "appletalk/protocols/nbp/NbpPacket.h"
#include "appletalk/protocols/pap/PapHeader.h"
#include "appletalk/protocols/pap/PapStatus.h"
#include "appletalk/protocols/rtmp/RtmpResponse.h"
#include "appletalk/protocols/zip/ZipZoneListReply.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <unistd.h>

namespace vidur::cli {
namespace {

using testing::LToUdpPeer;
using testing::VidurProcess;
using namespace std::chrono_literals;
using namespace appletalk;

constexpr std::uint16_t kNetwork = 7;
constexpr std::uint8_t kRouterNode = 254;
constexpr std::uint8_t kLaserNode = 130; // "Evil Laser:LaserWriter@Hostile", socket 130
constexpr std::uint8_t kImageNode = 131; // "Writer:ImageWriter@Elsewhere", socket 131
constexpr std::uint8_t kAtp = 3;
constexpr std::uint8_t kNbp = 2;

enum class Misbehaviour {
    StsToEveryRequest, // every ATP request, the router's and the printers', gets an STS and nothing it asked for
    MismatchedTuples, // NBP replies lead with devices not asked for (otherwise they hold the LaserWriter alone)
    MalformedStatus, // the LaserWriter's status reply is no PAP Status
};

class HostilePeer {
public:
    HostilePeer(std::uint16_t port, Misbehaviour misbehaviour)
        : misbehaviour_(misbehaviour), peer_(port, kNetwork, [this](const auto& f, const auto& d) { heard(f, d); }) {}

    bool isOpen() const { return peer_.isOpen(); }
    int atpRequests() const { return atpRequests_; }
    int lookups() const { return lookups_; }

private:
    void heard(const LlapFrame& frame, const Datagram& request) {
        if (request.type == 5) {
            peer_.send({request.source,
                        {kNetwork, kRouterNode, 1},
                        1,
                        0,
                        rtmp::RtmpResponse{kNetwork, kRouterNode, std::nullopt}.serialize()});
            return;
        }
        const bool forUs =
            frame.destination == kRouterNode || frame.destination == kLaserNode || frame.destination == kImageNode;
        if (!forUs) return;
        if (request.type == kNbp) answerLookup(request);
        if (request.type != kAtp) return;
        const auto packet = atp::AtpPacket::parse(request.data);
        if (!packet || packet->function != atp::AtpFunction::Request) return;
        ++atpRequests_;
        answerAtp(frame.destination, request, *packet);
    }

    void answerLookup(const Datagram& request) {
        const auto packet = nbp::NbpPacket::parse(request.data);
        if (!packet || packet->function != nbp::NbpFunction::BroadcastRequest) return;
        ++lookups_;
        std::vector<nbp::NbpTuple> tuples = {
            {kNetwork, kLaserNode, kLaserNode, 1, {"Evil Laser", "LaserWriter", "Hostile"}}};
        if (misbehaviour_ == Misbehaviour::MismatchedTuples) {
            tuples.insert(tuples.begin(),
                          {{kNetwork, kImageNode, kImageNode, 1, {"Writer", "ImageWriter", "Elsewhere"}},
                           {kNetwork, kImageNode, kImageNode, 2, {"Evil Laser", "LaserWriter", "Elsewhere"}}});
        }
        const nbp::NbpTuple& asker = packet->tuples[0];
        for (const auto& reply : nbp::NbpPacket::lookupReplies(packet->id, tuples))
            peer_.send({{kNetwork, asker.node, asker.socket}, {kNetwork, kRouterNode, 2}, kNbp, 0, reply.serialize()});
    }

    void answerAtp(std::uint8_t node, const Datagram& request, const atp::AtpPacket& packet) {
        atp::AtpPayload payload;
        std::uint8_t sequence = 0;
        if (misbehaviour_ == Misbehaviour::StsToEveryRequest) {
            sequence = 1; // never asked for: the request's bitmap is 0x01
        } else if (node == kRouterNode) {
            payload = *zip::ZipZoneListReply{true, {"Hostile"}}.serialize();
        } else if (node == kLaserNode && misbehaviour_ == Misbehaviour::MalformedStatus) {
            payload = {pap::PapHeader::tickle(0).serialize(), {'j', 'u', 'n', 'k'}};
        } else {
            const std::string text = node == kLaserNode ? "status: the evil laser is idle" : "status: wrong device";
            payload = {pap::PapHeader::status().serialize(), pap::PapStatus{text}.serialize()};
        }
        auto response = atp::AtpPacket::response(packet.tid, sequence, payload, true);
        response.sendTransactionStatus = misbehaviour_ == Misbehaviour::StsToEveryRequest;
        peer_.send({request.source, {kNetwork, node, request.destination.socket}, kAtp, 0, response.serialize()});
    }

    Misbehaviour misbehaviour_;
    std::atomic<int> atpRequests_{0};
    std::atomic<int> lookups_{0};
    LToUdpPeer peer_;
};

struct HostilePeerEndToEnd : ::testing::Test {
    const std::uint16_t port = static_cast<std::uint16_t>(20000 + ::getpid() % 20000 + 3);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vidur-hostile-" + std::to_string(::getpid()));
    VidurProcess::Environment environment{{"VIDUR_NETWORK", "ltoudp:127.0.0.1"},
                                          {"VIDUR_LTOUDP_TTL", "0"},
                                          {"VIDUR_LTOUDP_PORT", std::to_string(port)},
                                          {"VIDUR_PROFILE_DIR", folder.string()}};

    void SetUp() override { std::filesystem::create_directories(folder); }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // A command that does not end by itself within the bound is killed: exitCode -1.
    testing::ProcessResult vidur(const std::vector<std::string>& command) const {
        return VidurProcess::run(command, environment, 40s);
    }
};

// The node's start asks GetMyZone (3 tries a second apart) and `zones` asks GetZoneList as
// often; `papstatus` asks the printer 3 times. Without pacing, each try drew thousands.
TEST_F(HostilePeerEndToEnd, AnStsToEveryRequestIsABadReplyAfterTheUsualTries) {
    HostilePeer peer(port, Misbehaviour::StsToEveryRequest);
    if (!peer.isOpen()) GTEST_SKIP() << "multicast on loopback is not available here";
    const auto zones = vidur({"zones"});
    EXPECT_EQ(zones.exitCode, 2) << zones.err;
    EXPECT_NE(zones.err.find("bad reply"), std::string::npos) << zones.err;
    EXPECT_LE(peer.atpRequests(), 6) << "GetMyZone and GetZoneList, three tries each";
    const int before = peer.atpRequests();
    const auto status = vidur({"papstatus", "7.130:130"});
    EXPECT_EQ(status.exitCode, 2) << status.err;
    EXPECT_NE(status.err.find("bad reply"), std::string::npos) << status.err;
    EXPECT_LE(peer.atpRequests() - before, 6) << "GetMyZone and the printer's status, three tries each";
}

TEST_F(HostilePeerEndToEnd, OnlyTheDeviceNamedIsListedAndAsked) {
    HostilePeer peer(port, Misbehaviour::MismatchedTuples);
    if (!peer.isOpen()) GTEST_SKIP() << "multicast on loopback is not available here";
    const auto listed = vidur({"lookup", "=:LaserWriter@Hostile", "--timeout", "1"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    const auto first = listed.out.find("Evil Laser");
    ASSERT_NE(first, std::string::npos) << listed.out;
    EXPECT_EQ(listed.out.find("Evil Laser", first + 1), std::string::npos) << "one in Elsewhere: " << listed.out;
    EXPECT_EQ(listed.out.find("ImageWriter"), std::string::npos) << listed.out;
    EXPECT_EQ(listed.out.find("Elsewhere"), std::string::npos) << listed.out;
    const auto status = vidur({"papstatus", "Evil Laser@Hostile"});
    EXPECT_EQ(status.exitCode, 0) << status.err;
    EXPECT_NE(status.out.find("the evil laser is idle"), std::string::npos) << status.out << status.err;
}

TEST_F(HostilePeerEndToEnd, AMalformedStatusAskedByNameIsABadReplyAfterOneExchange) {
    HostilePeer peer(port, Misbehaviour::MalformedStatus);
    if (!peer.isOpen()) GTEST_SKIP() << "multicast on loopback is not available here";
    const auto status = vidur({"papstatus", "Evil Laser@Hostile"});
    EXPECT_EQ(status.exitCode, 2) << status.err;
    EXPECT_NE(status.err.find("bad reply"), std::string::npos) << status.err;
    EXPECT_LE(peer.lookups(), 2) << "the name looked up once (twice should a reply be slow)";
    EXPECT_LE(peer.atpRequests(), 2) << "GetMyZone and one status request";
}

} // namespace
} // namespace vidur::cli
