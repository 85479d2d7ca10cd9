// SPDX-License-Identifier: MIT
// `vidur print` as a user runs it: on the embedded network (a scenario file whose printers
// spool their jobs), and in two processes over LToUDP on loopback with `vidur sim --spool`.
// Either way the spooled file must equal the input byte for byte.
#include "VidurProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vidur::cli {
namespace {

using testing::ProcessResult;
using testing::VidurProcess;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr const char* kScenario = R"(title = "Print test office"
client_network = 7

[[network]]
number = 7
zone = "Café"

[[network]]
number = 8
zone = "Lager"

[[printer]]
name = "Büro Laser"
zone = "Lager"

[[printer]]
name = "Picky"
zone = "Café"
reject_with_error = "undefined; OffendingCommand: frobnicate"
)";

class VidurPrint : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("vidur-print-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        spool = folder / "spool";
        fs::create_directories(spool);
        scenario = (folder / "office.toml").string();
        std::ofstream(scenario) << kScenario;
        job = folder / "report.ps";
        std::string bytes = "%!PS-Adobe-3.0\n%%Title: Quarterly report\n%%EndComments\n";
        std::mt19937 generator(7);
        while (bytes.size() < 700'000) bytes += static_cast<char>(generator());
        std::ofstream(job, std::ios::binary) << bytes;
        content = bytes;
    }
    void TearDown() override { fs::remove_all(folder); }

    VidurProcess::Environment environment() const {
        return {{"VIDUR_PROFILE_DIR", folder.string()},
                {"VIDUR_NETWORK", std::nullopt},
                {"VIDUR_LTOUDP_TTL", "0"},
                {"VIDUR_LTOUDP_PORT", std::to_string(port)}};
    }

    // The one job file in the spool folder, once it is there (the printer names it when the
    // connection has closed, which may be a moment after the client has gone).
    std::optional<std::string> spooledJob() const {
        for (int tries = 0; tries < 100; ++tries) {
            for (const auto& entry : fs::directory_iterator(spool)) {
                if (entry.path().filename().string().front() == '.') continue;
                EXPECT_EQ(entry.path().filename(), "0001-Quarterly report.ps");
                std::ifstream in(entry.path(), std::ios::binary);
                return std::string(std::istreambuf_iterator<char>(in), {});
            }
            std::this_thread::sleep_for(50ms);
        }
        return std::nullopt;
    }

    fs::path folder, spool, job;
    std::string scenario, content;
    // A private port, so the test never meets LToUDP traffic of anything else on the host.
    int port = 20000 + ::getpid() % 20000;
};

TEST_F(VidurPrint, AJobOnTheEmbeddedNetworkIsSpooledExactlyAsSent) {
    // Keys after the last table would belong to it: the spool folder goes on top.
    std::ofstream(scenario) << "spool = \"" << spool.string() << "\"\n" << kScenario;
    const auto result = VidurProcess::run(
        {"print", job.string(), "--to", "B\xC3\xBCro Laser@Lager", "--network", "sim:" + scenario}, environment());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const auto spooled = spooledJob();
    ASSERT_TRUE(spooled.has_value());
    EXPECT_TRUE(*spooled == content) << spooled->size() << " bytes of " << content.size();
}

TEST_F(VidurPrint, ARejectedJobEndsOneWithThePrintersErrorAndTextIsRefusedUnlessRaw) {
    const auto rejected = VidurProcess::run(
        {"print", job.string(), "--to", "Picky@Caf\xC3\xA9", "--network", "sim:" + scenario}, environment());
    EXPECT_EQ(rejected.exitCode, 1);
    EXPECT_NE(rejected.err.find("%%[ Error: undefined; OffendingCommand: frobnicate ]%%\n"), std::string::npos)
        << rejected.err;
    const fs::path text = folder / "notes.txt";
    std::ofstream(text) << "plain text\n";
    const auto refused = VidurProcess::run({"print", text.string(), "--to", "Picky@Caf\xC3\xA9"}, environment());
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("notes.txt is not PostScript"), std::string::npos) << refused.err;
}

TEST_F(VidurPrint, CtrlCClosesTheConnectionAndKeepsNothing) {
    std::ofstream(scenario) << "spool = \"" << spool.string() << "\"\n" << kScenario;
    // A job that never ends: a pipe the test keeps open, its first line written.
    const fs::path pipe = folder / "job.fifo";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const int writer = ::open(pipe.c_str(), O_RDWR);
    ASSERT_GE(writer, 0);
    const std::string head = "%!PS-Adobe-3.0\n%%Title: endless\n";
    ASSERT_EQ(::write(writer, head.data(), head.size()), static_cast<ssize_t>(head.size()));
    VidurProcess print({"print", pipe.string(), "--to", "B\xC3\xBCro Laser@Lager", "--network", "sim:" + scenario},
                       environment());
    std::this_thread::sleep_for(3s); // long enough to find the printer and open the connection
    print.signal(SIGINT);
    const auto result = print.finish(20s);
    ::close(writer);
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.err.find("interrupted; the connection is closed"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::is_empty(spool));
}

// Two processes: `vidur sim --spool` serves the scenario on LToUDP over loopback (interface
// 127.0.0.1, TTL 0, a private port) and `vidur print` prints on one of its printers.
TEST_F(VidurPrint, SimAndPrintOverLToUdpOnLoopbackSpoolTheJobByteForByte) {
    VidurProcess sim({"sim", scenario, "--ltoudp", "--interface", "127.0.0.1", "--ttl", "0", "--port",
                      std::to_string(port), "--spool", spool.string()},
                     environment());
    if (!sim.waitForOutput("Picky", 30s)) {
        const auto ended = sim.finish(5s);
        if (ended.err.find("LToUDP on 127.0.0.1") != std::string::npos)
            GTEST_SKIP() << "multicast on loopback is not available here: " << ended.err;
        FAIL() << "the simulator did not come up: " << ended.err;
    }
    const auto result =
        VidurProcess::run({"print", job.string(), "--to", "B\xC3\xBCro Laser@Lager", "--network", "ltoudp:127.0.0.1"},
                          environment(), 120s);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const auto spooled = spooledJob();
    ASSERT_TRUE(spooled.has_value());
    EXPECT_TRUE(*spooled == content) << spooled->size() << " bytes of " << content.size();
    sim.signal(SIGINT);
    EXPECT_EQ(sim.finish(10s).exitCode, 0);
}

} // namespace
} // namespace vidur::cli
