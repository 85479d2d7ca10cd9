// SPDX-License-Identifier: MIT
// The built `vidur` against a broken router on LToUDP over loopback (a private port, TTL 0):
// the router answers RTMP as it should, so it is known, and every other request with a frame
// whose DDP header is cut short. The command says "bad reply" and exits 2, never "no router".
#include "LToUdpPeer.h"
#include "VidurProcess.h"

#include "appletalk/protocols/rtmp/RtmpResponse.h"

#include <gtest/gtest.h>

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

// Answers RTMP as a router should, and every other request to the router or the printer with
// a frame whose DDP header is cut short.
class BrokenRouter {
public:
    explicit BrokenRouter(std::uint16_t port)
        : peer_(port, kNetwork, [this](const auto& f, const auto& d) { heard(f, d); }) {}

    bool isOpen() const { return peer_.isOpen(); }

private:
    void heard(const LlapFrame& frame, const Datagram& request) {
        if (request.type == 5) { // an RTMP Request: the right answer
            peer_.send({request.source,
                        {kNetwork, kRouterNode, 1},
                        1,
                        0,
                        rtmp::RtmpResponse{kNetwork, kRouterNode, std::nullopt}.serialize()});
        } else if (frame.destination == kRouterNode || frame.destination == 130) {
            peer_.sendFrame(frame.destination, frame.source, {0x00, 0x0D, request.source.socket}); // a header cut short
        }
    }

    LToUdpPeer peer_;
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
