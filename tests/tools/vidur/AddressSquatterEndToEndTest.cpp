// SPDX-License-Identifier: MIT
// The built `vidur` beside a station that claims every AppleTalk address: an LToUDP station
// acknowledging every lapENQ on loopback (a private port, TTL 0), and an EtherTalk station
// answering every AARP Probe on a veth pair inside a network namespace the test creates
// (skipped where none can be made). The command and the simulator give up after their bound,
// say that no address was free, exit 2, and the station heard no more probes than the
// schedule sends.
#include "VidurProcess.h"

#include "appletalk/node/ethertalk/AarpAgent.h"
#include "appletalk/node/ethertalk/EtherTalkLink.h"
#include "appletalk/node/localtalk/NodeIdAcquirer.h"
#include "appletalk/node/ltoudp/LToUdpLink.h"
#include "appletalk/protocols/aarp/AarpPacket.h"
#include "appletalk/protocols/ethertalk/EtherTalkFrame.h"
#include "appletalk/protocols/llap/LlapFrame.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <optional>
#include <poll.h>
#include <sched.h>
#include <thread>
#include <unistd.h>

namespace vidur::cli {
namespace {

using testing::ProcessResult;
using testing::VidurProcess;
using namespace std::chrono_literals;
using namespace appletalk;

// One printer; with --no-router the simulator's nodes there are the printer and the node that
// listens for a router first, each of which may try its whole bound of addresses.
constexpr const char* kScenario =
    "title = \"Squatted\"\nclient_network = 3\n[[network]]\nnumber = 3\n"
    "zone = \"Squatted\"\n[[printer]]\nname = \"Squatted Laser\"\nzone = \"Squatted\"\n";
constexpr int kSimulatorNodes = 2;

// A station on `link`, polled on a thread of its own until destroyed: `answer` gives the
// frame that claims the address a probe asks for, or nothing for any other frame.
class Station {
public:
    using Open = std::function<std::unique_ptr<Link>()>;
    using Answer = std::function<std::optional<std::vector<std::uint8_t>>(const Link&, std::span<const std::uint8_t>)>;

    Station(Open open, Answer answer) : answer_(std::move(answer)) {
        std::promise<bool> opened;
        auto ready = opened.get_future();
        thread_ = std::thread([this, open = std::move(open), &opened] {
            link_ = open();
            if (link_) link_->attach([this](std::span<const std::uint8_t> bytes) { heard(bytes); }, [] {});
            opened.set_value(link_ != nullptr);
            while (link_ && !stop_) {
                pollfd input{link_->waitHandle(), POLLIN, 0};
                if (::poll(&input, 1, 50) > 0) link_->poll();
            }
            if (link_) link_->detach();
        });
        open_ = ready.get();
    }
    ~Station() {
        stop_ = true;
        thread_.join();
    }
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    bool isOpen() const { return open_; }
    int probesHeard() const { return probes_; }

private:
    void heard(std::span<const std::uint8_t> bytes) {
        const auto claim = answer_(*link_, bytes);
        if (!claim) return;
        ++probes_;
        link_->send(*claim);
    }

    Answer answer_;
    std::unique_ptr<Link> link_;
    std::atomic<int> probes_{0};
    std::atomic<bool> stop_{false};
    bool open_ = false;
    std::thread thread_;
};

std::unique_ptr<Link> openLToUdp(std::uint16_t port) {
    std::string error;
    return LToUdpLink::open({"127.0.0.1", "239.192.76.84", port, 0, 0}, error);
}

// Only this thread moves into the namespace; the test's own stays where it is.
std::unique_ptr<Link> openEtherTalkIn(const std::string& netns, const std::string& interface) {
    const int fd = ::open(("/run/netns/" + netns).c_str(), O_RDONLY | O_CLOEXEC);
    const bool entered = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
    if (fd >= 0) ::close(fd);
    if (!entered) return nullptr;
    std::string error;
    return EtherTalkLink::open(interface, error);
}

// Every lapENQ acknowledged, whatever the id.
std::optional<std::vector<std::uint8_t>> acknowledgeEveryEnq(const Link&, std::span<const std::uint8_t> bytes) {
    const auto frame = LlapFrame::parse(bytes);
    if (!frame || frame->type != LlapFrame::kEnq) return std::nullopt;
    return LlapFrame::control(LlapFrame::kAck, frame->destination).serialize();
}

// Every AARP Probe answered with a Response for the address probed.
std::optional<std::vector<std::uint8_t>> answerEveryProbe(const Link& link, std::span<const std::uint8_t> bytes) {
    const auto frame = EtherTalkFrame::parse(bytes);
    if (!frame || frame->protocol != EtherProtocol::Aarp) return std::nullopt;
    const auto probe = AarpPacket::parse(frame->payload);
    if (!probe || probe->function != AarpFunction::Probe) return std::nullopt;
    const MacAddress own = *link.hardwareAddress();
    const AarpPacket answer{AarpFunction::Response, own, probe->destinationAddress, probe->sourceHardware,
                            probe->sourceAddress};
    return EtherTalkFrame{probe->sourceHardware, own, EtherProtocol::Aarp, answer.serialize()}.serialize();
}

class AddressSquatter : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / ("vidur-squatter-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        scenario = (folder / "squatted.toml").string();
        std::ofstream(scenario) << kScenario;
    }
    void TearDown() override {
        if (!netns.empty()) shell(ip + " netns del " + netns);
        std::filesystem::remove_all(folder);
    }

    static bool shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

    // A namespace holding both ends of a veth pair, et0 and et1; empty with the reason why not.
    std::string makeNamespace() {
        for (const char* path : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"})
            if (::access(path, X_OK) == 0) ip = path;
        if (ip.empty()) return "iproute2's ip is not installed: no network namespace can be made";
        if (::geteuid() != 0) return "creating network namespaces needs root";
        const std::string name = "vidur-squat-" + std::to_string(::getpid());
        if (!shell(ip + " netns add " + name)) return "'ip netns add' does not work here";
        netns = name;
        if (!shell(ip + " -n " + netns + " link add et0 type veth peer name et1") ||
            !shell(ip + " -n " + netns + " link set et0 up") || !shell(ip + " -n " + netns + " link set et1 up"))
            return "no veth pair could be made in the namespace";
        return {};
    }

    static void expectNoFreeAddress(const ProcessResult& result, const std::string& network, const char* what) {
        EXPECT_EQ(result.exitCode, 2) << what << ": " << result.err;
        EXPECT_NE(result.err.find("no free AppleTalk address on " + network + ": every address tried was claimed"),
                  std::string::npos)
            << what << ": " << result.err;
    }

    std::filesystem::path folder;
    std::string scenario;
    std::string ip;
    std::string netns;
};

TEST_F(AddressSquatter, OnLToUdpTheCommandAndTheSimulatorGiveUpWithinTheBound) {
    const std::uint16_t port = static_cast<std::uint16_t>(20000 + ::getpid() % 20000 + 3);
    Station acker([port] { return openLToUdp(port); }, acknowledgeEveryEnq);
    if (!acker.isOpen()) GTEST_SKIP() << "multicast on loopback is not available here";
    const VidurProcess::Environment environment{{"VIDUR_PROFILE_DIR", folder.string()},
                                                {"VIDUR_NETWORK", "ltoudp:127.0.0.1"},
                                                {"VIDUR_LTOUDP_TTL", "0"},
                                                {"VIDUR_LTOUDP_PORT", std::to_string(port)}};
    const int bound = AcquisitionSettings{}.candidateLimit;
    const std::string network = "LToUDP on 127.0.0.1 port " + std::to_string(port);

    expectNoFreeAddress(VidurProcess::run({"lookup"}, environment, 30s), network, "lookup");
    EXPECT_GE(acker.probesHeard(), 1);
    EXPECT_LE(acker.probesHeard(), bound);

    const int before = acker.probesHeard();
    const auto sim = VidurProcess::run(
        {"sim", scenario, "--ltoudp", "--ttl", "0", "--port", std::to_string(port), "--no-router"}, environment, 40s);
    expectNoFreeAddress(sim, network, "sim");
    EXPECT_LE(acker.probesHeard() - before, kSimulatorNodes * bound);
}

TEST_F(AddressSquatter, OnEtherTalkTheCommandAndTheSimulatorGiveUpWithinTheBound) {
    if (const std::string why = makeNamespace(); !why.empty()) GTEST_SKIP() << why;
    Station squatter([this] { return openEtherTalkIn(netns, "et0"); }, answerEveryProbe);
    ASSERT_TRUE(squatter.isOpen());
    const VidurProcess::Environment environment{{"VIDUR_PROFILE_DIR", folder.string()},
                                                {"VIDUR_NETWORK", std::nullopt}};
    const std::vector<std::string> inside{ip, "netns", "exec", netns};
    const int bound = AarpTiming{}.addressLimit;

    expectNoFreeAddress(VidurProcess::run({"zones", "--network", "ethertalk:et1"}, environment, 30s, inside),
                        "EtherTalk on et1", "zones");
    EXPECT_GE(squatter.probesHeard(), 1);
    EXPECT_LE(squatter.probesHeard(), bound);

    const int before = squatter.probesHeard();
    const auto sim =
        VidurProcess::run({"sim", scenario, "--ethertalk", "et1", "--no-router"}, environment, 40s, inside);
    expectNoFreeAddress(sim, "EtherTalk on et1", "sim");
    EXPECT_LE(squatter.probesHeard() - before, kSimulatorNodes * bound);
}

} // namespace
} // namespace vidur::cli
