// SPDX-License-Identifier: MIT
// The built `vidur node` on LToUDP over loopback (a private port, TTL 0) beside `vidur sim`'s
// router and printers: the commands of the host use the service's node (its address, no
// probes of their own), a client killed mid-look-up leaves the service serving, and a
// service killed mid-command ends the command with its own error within the command's bound.
#include "VidurProcess.h"

#include "appletalk/node/ltoudp/LToUdpLink.h"
#include "appletalk/protocols/llap/LlapFrame.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace vidur::cli {
namespace {

using testing::ProcessResult;
using testing::VidurProcess;
using namespace std::chrono_literals;
using namespace appletalk;

// Counts the lapENQs on the cable: every node that acquires an id sends them, a program on
// the service's node none.
class EnqCounter {
public:
    explicit EnqCounter(std::uint16_t port) {
        std::string error;
        link_ = LToUdpLink::open({"127.0.0.1", "239.192.76.84", port, 0, 0}, error);
        if (!link_) return;
        link_->attach(
            [this](std::span<const std::uint8_t> bytes) {
                const auto frame = LlapFrame::parse(bytes);
                if (frame && frame->type == LlapFrame::kEnq) ++enqs_;
            },
            [] {});
        thread_ = std::thread([this] {
            while (!stop_) {
                pollfd ready{link_->waitHandle(), POLLIN, 0};
                if (::poll(&ready, 1, 50) > 0) link_->poll();
            }
        });
    }
    ~EnqCounter() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (link_) link_->detach();
    }
    bool isOpen() const { return link_ != nullptr; }
    int enqs() const { return enqs_; }

private:
    std::unique_ptr<Link> link_;
    std::atomic<int> enqs_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class NodeServiceEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / ("vidur-node-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        socket = (folder / "node").string();
        port = static_cast<std::uint16_t>(20000 + ::getpid() % 20000 + 7);
        base = {{"VIDUR_PROFILE_DIR", folder.string()},
                {"VIDUR_NETWORK", "ltoudp:127.0.0.1"},
                {"VIDUR_LTOUDP_TTL", "0"},
                {"VIDUR_LTOUDP_PORT", std::to_string(port)},
                {"VIDUR_NODE_SOCKET", socket}};
        client = base;
        client["VIDUR_DEBUG"] = "1";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::unique_ptr<VidurProcess> startSimulator() {
        auto sim = std::make_unique<VidurProcess>(
            std::vector<std::string>{"sim", "--ltoudp", "--ttl", "0", "--port", std::to_string(port)}, base);
        EXPECT_TRUE(sim->waitForOutput("Laser 1", 60s)) << "the simulator did not come up";
        return sim;
    }
    std::unique_ptr<VidurProcess> startService() {
        auto service = std::make_unique<VidurProcess>(std::vector<std::string>{"node", "--socket", socket}, base);
        EXPECT_TRUE(service->waitForOutput("serving " + socket, 60s)) << "the service did not come up";
        return service;
    }

    std::filesystem::path folder;
    std::string socket;
    std::uint16_t port = 0;
    VidurProcess::Environment base;
    VidurProcess::Environment client;
};

TEST_F(NodeServiceEndToEnd, CommandsShareTheServicesNodeAndSendNoProbesOfTheirOwn) {
    EnqCounter cable(port);
    if (!cable.isOpen()) GTEST_SKIP() << "multicast on loopback is not available here";
    const auto sim = startSimulator();
    auto service = startService();
    const int enqsBefore = cable.enqs();
    const std::string job = (folder / "job.ps").string();
    std::ofstream(job) << "%!PS\nshowpage\n";

    const std::vector<std::vector<std::string>> commands{{"zones"},
                                                         {"lookup", "=:LaserWriter@*"},
                                                         {"papstatus", "Laser 1@Engineering"},
                                                         {"print", "--to", "Laser 1@Engineering", job},
                                                         {"netinfo", "--text"}};
    for (const auto& command : commands) {
        const ProcessResult result = VidurProcess::run(command, client, 60s);
        EXPECT_EQ(result.exitCode, 0) << command[0] << ": " << result.err;
        EXPECT_NE(result.err.find("of the node service at " + socket), std::string::npos)
            << command[0] << " used a node of its own: " << result.err;
        if (command[0] == "netinfo") {
            EXPECT_NE(result.out.find("shared by this host's programs"), std::string::npos);
        }
    }
#ifdef VIDUR_WITH_WINDOWS
    const ProcessResult chooser =
        VidurProcess::run({"chooser", "--offscreen", "--screenshot", (folder / "chooser.png").string()}, client, 60s);
    EXPECT_EQ(chooser.exitCode, 1) << chooser.err;
    EXPECT_NE(chooser.err.find("of the node service at " + socket), std::string::npos) << chooser.err;
#endif
    EXPECT_EQ(cable.enqs(), enqsBefore) << "a program probed for an address of its own";
    service->signal(SIGTERM);
    EXPECT_EQ(service->finish(30s).exitCode, 0);
}

TEST_F(NodeServiceEndToEnd, AKilledClientLeavesTheServiceServingAndAKilledServiceEndsTheCommand) {
    const auto sim = startSimulator();
    auto service = startService();
    {
        VidurProcess doomed({"lookup", "=:=@*", "--timeout", "60"}, client);
        ASSERT_TRUE(service->waitForError("connected", 30s));
        doomed.signal(SIGKILL);
        // "left", or "could not be welcomed" when it died between its hello and the answer.
        EXPECT_TRUE(service->waitForError("names released", 30s)) << "the service did not see the client go";
    }
    const ProcessResult after = VidurProcess::run({"zones"}, client, 60s);
    EXPECT_EQ(after.exitCode, 0) << after.err;
    EXPECT_NE(after.out.find("Engineering"), std::string::npos);

    VidurProcess orphan({"lookup", "=:=@*", "--timeout", "60"}, client);
    ASSERT_TRUE(orphan.waitForError("of the node service at", 30s)) << "the look-up did not attach";
    service->signal(SIGKILL);
    const ProcessResult ended = orphan.finish(30s); // far inside the look-up's own 60 s
    EXPECT_EQ(ended.exitCode, 2) << ended.err;
    EXPECT_NE(ended.err.find("the AppleTalk node service went away"), std::string::npos) << ended.err;
}

} // namespace
} // namespace vidur::cli
