// SPDX-License-Identifier: MIT
// `vidur sim` joining an LToUDP segment where a router already works (here another `vidur sim`
// standing in for it, with two zones): the newcomer must leave that router's zone list to it
// and serve its devices as plain nodes under it. Loopback only, on a private port.
#include "VidurProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <unistd.h>

namespace vidur::cli {
namespace {

using testing::ProcessResult;
using testing::VidurProcess;
using namespace std::chrono_literals;

constexpr const char* kRouterScenario = R"(title = "The router already there"
client_network = 1
[[network]]
number = 1
zone = "LToUDP Zone"
[[network]]
number = 2
zone = "Virtual Zone"
[[printer]]
name = "Behind"
zone = "Virtual Zone"
)";

constexpr const char* kNewcomerScenario = R"(title = "One network"
client_network = 40
[[network]]
number = 40
zone = "Newcomer Zone"
[[printer]]
name = "Newcomer Laser"
zone = "Newcomer Zone"
status = "status: newcomer"
[[network]]
number = 41
zone = "Elsewhere"
[[printer]]
name = "Unreachable"
zone = "Elsewhere"
)";

class SimBesideRouter : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / ("vidur-beside-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "router.toml") << kRouterScenario;
        std::ofstream(folder / "newcomer.toml") << kNewcomerScenario;
        port = std::to_string(20000 + ::getpid() % 20000);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    VidurProcess::Environment environment() const {
        return {{"VIDUR_PROFILE_DIR", folder.string()},
                {"VIDUR_NETWORK", "ltoudp:127.0.0.1"},
                {"VIDUR_LTOUDP_TTL", "0"},
                {"VIDUR_LTOUDP_PORT", port}};
    }
    std::vector<std::string> serve(const char* file) const {
        return {"sim", (folder / file).string(), "--ltoudp", "--ttl", "0", "--port", port};
    }

    std::filesystem::path folder;
    std::string port;
};

TEST_F(SimBesideRouter, KeepsTheRoutersZoneListAndServesItsDevicesUnderThatRouter) {
    auto routerArguments = serve("router.toml");
    routerArguments.push_back("--router");
    VidurProcess router(routerArguments, environment());
    if (!router.waitForOutput("Behind", 30s)) {
        const auto ended = router.finish(5s);
        if (ended.err.find("LToUDP on 127.0.0.1") != std::string::npos)
            GTEST_SKIP() << "multicast on loopback is not available here: " << ended.err;
        FAIL() << "the first simulator did not come up: " << ended.err;
    }
    VidurProcess newcomer(serve("newcomer.toml"), environment());
    ASSERT_TRUE(newcomer.waitForOutput("Newcomer Laser", 30s)) << newcomer.finish(5s).err;

    const auto zones = VidurProcess::run({"zones"}, environment());
    EXPECT_EQ(zones.out, "LToUDP Zone\nVirtual Zone\n") << zones.err;
    const auto mine = VidurProcess::run({"zones", "--mine"}, environment());
    EXPECT_EQ(mine.out, "LToUDP Zone\n") << mine.err;
    const auto status = VidurProcess::run({"papstatus", "Newcomer Laser@LToUDP Zone"}, environment());
    EXPECT_EQ(status.out, "status: newcomer\n") << status.err;

    newcomer.signal(SIGINT);
    const auto ended = newcomer.finish(10s);
    EXPECT_EQ(ended.exitCode, 0);
    // The device of a network that cannot exist beside that router is named at start, and the
    // table shows the zone the router has for the segment.
    EXPECT_NE(ended.err.find("Unreachable"), std::string::npos) << ended.err;
    EXPECT_TRUE(std::regex_search(ended.out, std::regex("Newcomer Laser +LaserWriter +LToUDP Zone +1\\.")))
        << ended.out;
    router.signal(SIGINT);
    router.finish(10s);
}

} // namespace
} // namespace vidur::cli
