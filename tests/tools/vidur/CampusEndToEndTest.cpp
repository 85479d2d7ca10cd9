// SPDX-License-Identifier: MIT
// A LocalTalk segment full of devices: `vidur sim --ltoudp` serves two hundred printers in a
// network namespace the test creates (and always removes), and `vidur lookup` in a second
// process finds every one, ten times over. Scenarios too big for their networks are refused
// when loaded, with the network, what it holds and what was asked.
#include "VidurProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <unistd.h>

namespace vidur::cli {
namespace {

using testing::ProcessResult;
using testing::VidurProcess;
using namespace std::chrono_literals;

std::string printers(int count, const std::string& zone) {
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += "[[printer]]\nname = \"Laser " + std::to_string(i) + "\"\nzone = \"" + zone + "\"\n";
    return text;
}

std::string ipCommand() {
    for (const char* path : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"})
        if (::access(path, X_OK) == 0) return path;
    return {};
}

class Campus : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / ("vidur-campus-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override {
        if (!netns.empty()) shell(ip + " netns del " + netns);
        std::filesystem::remove_all(folder);
    }

    static bool shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }
    std::string file(const std::string& name, const std::string& text) const {
        const auto path = folder / name;
        std::ofstream(path) << text;
        return path.string();
    }
    VidurProcess::Environment environment() const {
        return {{"VIDUR_PROFILE_DIR", folder.string()}, {"VIDUR_NETWORK", std::nullopt}};
    }
    // A namespace of the test's own with its loopback up: the segment's multicast stays there.
    bool makeNamespace() {
        ip = ipCommand();
        if (ip.empty() || ::geteuid() != 0) return false;
        const std::string name = "vidur-campus-" + std::to_string(::getpid());
        if (!shell(ip + " netns add " + name)) return false;
        netns = name;
        return shell(ip + " -n " + netns + " link set lo up");
    }
    std::vector<std::string> inNamespace() const { return {ip, "netns", "exec", netns}; }

    std::filesystem::path folder;
    std::string ip;
    std::string netns;
};

TEST_F(Campus, TwoHundredDevicesOnAnLToUdpSegmentAreAllFoundFromAnotherProcessTenTimes) {
    if (!makeNamespace()) GTEST_SKIP() << "no network namespace can be made here (needs root and iproute2)";
    const std::string scenario = file(
        "segment.toml", "client_network = 20\n[[network]]\nnumber = 20\nzone = \"Floor\"\n" + printers(200, "Floor"));
    VidurProcess sim({"sim", scenario, "--ltoudp", "--ttl", "0", "--router"}, environment(), inNamespace());
    // The device table comes once every node holds its address; its last line names the last.
    if (!sim.waitForOutput("Laser 99  ", 90s)) FAIL() << "the simulator did not come up: " << sim.finish(5s).err;
    for (int run = 1; run <= 10; ++run) {
        SCOPED_TRACE(run);
        const ProcessResult lookup = VidurProcess::run(
            {"lookup", "=:LaserWriter@Floor", "--network", "ltoudp:127.0.0.1"}, environment(), 60s, inNamespace());
        EXPECT_EQ(lookup.exitCode, 0) << lookup.err;
        std::set<std::string> found;
        std::istringstream lines(lookup.out);
        for (std::string line; std::getline(lines, line);) found.insert(line.substr(0, line.find("  ")));
        EXPECT_EQ(found.size(), 200u) << lookup.out;
    }
    sim.signal(SIGINT);
    const ProcessResult ended = sim.finish(30s);
    EXPECT_EQ(ended.exitCode, 0) << ended.err;
    EXPECT_NE(ended.err.find("frames lost: "), std::string::npos) << ended.err;
}

TEST_F(Campus, AScenarioTooBigForItsNetworkIsRefusedWithTheNetworkAndWhatItHolds) {
    const std::string lab = "client_network = 20\n[[network]]\nnumber = 20\nzone = \"Lab\"\n";
    const std::string tooBig = file("too-big.toml", lab + printers(300, "Lab"));
    const ProcessResult zones = VidurProcess::run({"zones", "--network", "sim:" + tooBig}, environment(), 60s);
    EXPECT_EQ(zones.exitCode, 2);
    EXPECT_NE(zones.err.find("too-big.toml:2:1: network 20 (node ids 1-254, less the router's and 16 kept for "
                             "workstations) holds at most 237 devices; the scenario puts 300 there"),
              std::string::npos)
        << zones.err;

    // An extended network fits in process; on LocalTalk over UDP it holds what LocalTalk does.
    const std::string campus =
        file("campus.toml",
             "client_network = 100\n[[network]]\nrange = [100, 101]\nzones = [\"Big\"]\n" + printers(300, "Big"));
    const ProcessResult served = VidurProcess::run({"sim", campus, "--ltoudp", "--ttl", "0"}, environment(), 60s);
    EXPECT_EQ(served.exitCode, 2);
    EXPECT_NE(served.err.find("network 100-101 served on LocalTalk (node ids 1-254, less the router's and 16 kept for "
                              "workstations) holds at most 237 devices; the scenario puts 300 there"),
              std::string::npos)
        << served.err;
}

} // namespace
} // namespace vidur::cli
