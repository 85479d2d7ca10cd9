// SPDX-License-Identifier: MIT
// The built `vidur` against a broken router on LToUDP over loopback (a private port, TTL 0):
// the router answers RTMP as it should, so it is known, and every other request with a frame
// whose DDP header is cut short. The command says "bad reply" and exits 2, never "no router".
#include "VidurProcess.h"

#include "appletalk/node/ltoudp/LToUdpLink.h"
#include "appletalk/protocols/ddp/DdpCodec.h"
#include "appletalk/protocols/llap/LlapFrame.h"
#include "appletalk/protocols/rtmp/RtmpResponse.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace vidur::cli {
namespace {

using testing::VidurProcess;
using namespace std::chrono_literals;
using namespace appletalk;

constexpr std::uint16_t kNetwork = 7;
constexpr std::uint8_t kRouterNode = 254;

class BrokenRouter {
public:
    explicit BrokenRouter(std::uint16_t port) {
        std::string error;
        link_ = LToUdpLink::open({"127.0.0.1", "239.192.76.84", port, 0, 0}, error);
        if (!link_) return;
        link_->attach([this](std::span<const std::uint8_t> bytes) { heard(bytes); }, [] {});
        thread_ = std::thread([this] {
            while (!stop_) {
                pollfd ready{link_->waitHandle(), POLLIN, 0};
                if (::poll(&ready, 1, 50) > 0) link_->poll();
            }
        });
    }
    ~BrokenRouter() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (link_) link_->detach();
    }
    BrokenRouter(const BrokenRouter&) = delete;
    BrokenRouter& operator=(const BrokenRouter&) = delete;

    bool isOpen() const { return link_ != nullptr; }

private:
    void heard(std::span<const std::uint8_t> bytes) {
        const auto frame = LlapFrame::parse(bytes);
        if (!frame || frame->isControl()) return;
        const auto parsed = frame->type == LlapFrame::kShortDdp
                                ? DdpCodec::parseShort(frame->data, {kNetwork, frame->destination, frame->source})
                                : DdpCodec::parseLong(frame->data);
        if (!parsed.datagram) return;
        const Datagram& request = *parsed.datagram;
        std::vector<std::uint8_t> ddp;
        if (request.type == 5) { // an RTMP Request: the right answer
            const Datagram answer{request.source,
                                  {kNetwork, kRouterNode, 1},
                                  1,
                                  0,
                                  rtmp::RtmpResponse{kNetwork, kRouterNode, std::nullopt}.serialize()};
            ddp = *DdpCodec::serializeShort(answer);
        } else if (frame->destination == kRouterNode || frame->destination == 130) {
            ddp = {0x00, 0x0D, request.source.socket}; // a DDP header cut short
        } else {
            return;
        }
        const std::uint8_t from = frame->destination == LlapFrame::kBroadcast ? kRouterNode : frame->destination;
        LlapFrame answer{frame->source, from, LlapFrame::kShortDdp, std::move(ddp)};
        if (const auto out = answer.serialize()) link_->send(*out);
    }

    std::unique_ptr<LToUdpLink> link_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(BadReplyEndToEnd, AnswersThatCannotBeReadAreABadReplyAndExitTwo) {
    const std::uint16_t port = static_cast<std::uint16_t>(20000 + ::getpid() % 20000 + 2);
    const auto folder = std::filesystem::temp_directory_path() / ("vidur-bad-reply-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    BrokenRouter router(port);
    if (!router.isOpen()) GTEST_SKIP() << "multicast on loopback is not available here";
    const VidurProcess::Environment environment{{"VIDUR_PROFILE_DIR", folder.string()},
                                                {"VIDUR_NETWORK", "ltoudp:127.0.0.1"},
                                                {"VIDUR_LTOUDP_TTL", "0"},
                                                {"VIDUR_LTOUDP_PORT", std::to_string(port)}};
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"zones"}, {"zones", "--mine"}, {"papstatus", "7.130:130"}}) {
        const auto result = VidurProcess::run(command, environment);
        EXPECT_EQ(result.exitCode, 2) << command.back() << ": " << result.err;
        EXPECT_NE(result.err.find("bad reply"), std::string::npos) << command.back() << ": " << result.err;
    }
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace vidur::cli
