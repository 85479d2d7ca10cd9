// SPDX-License-Identifier: MIT
// `vidur print` as a user runs it: on the embedded network (a scenario file whose printers
// spool their jobs), and in two processes over LToUDP on loopback with `vidur sim --spool`.
// Either way the spooled file must equal the input byte for byte. The test waits for what
// the simulator says of its jobs, never for time.
#include "VidurProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <poll.h>
#include <random>
#include <sys/inotify.h>
#include <sys/stat.h>
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

    // The one job file in the spool folder.
    std::optional<std::string> spooledJob() const {
        for (const auto& entry : fs::directory_iterator(spool)) {
            if (entry.path().filename().string().front() == '.') continue;
            EXPECT_EQ(entry.path().filename(), "0001-Quarterly report.ps");
            std::ifstream in(entry.path(), std::ios::binary);
            return std::string(std::istreambuf_iterator<char>(in), {});
        }
        return std::nullopt;
    }

    // `vidur sim` serving the scenario on LToUDP over loopback (interface 127.0.0.1, TTL 0, a
    // private port), its printers spooling; false, having said why, when it cannot.
    bool startSim(std::unique_ptr<VidurProcess>& sim) {
        sim = std::make_unique<VidurProcess>(
            std::vector<std::string>{"sim", scenario, "--ltoudp", "--interface", "127.0.0.1", "--ttl", "0", "--port",
                                     std::to_string(port), "--spool", spool.string()},
            environment());
        if (sim->waitForOutput("Picky", 30s)) return true;
        const auto ended = sim->finish(5s);
        if (ended.err.find("LToUDP on 127.0.0.1") != std::string::npos)
            skipped = "multicast on loopback is not available here: " + ended.err;
        else
            ADD_FAILURE() << "the simulator did not come up: " << ended.err;
        return false;
    }

    std::string skipped;
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
    // The printer's message, one line after its name.
    EXPECT_NE(
        rejected.err.find("Picky:LaserWriter@Caf\xC3\xA9: %%[ Error: undefined; OffendingCommand: frobnicate ]%%"),
        std::string::npos)
        << rejected.err;
    const fs::path text = folder / "notes.txt";
    std::ofstream(text) << "plain text\n";
    const auto refused = VidurProcess::run({"print", text.string(), "--to", "Picky@Caf\xC3\xA9"}, environment());
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("notes.txt is not PostScript"), std::string::npos) << refused.err;
}

// True once a file whose name starts with `prefix` is in `folder`: inotify tells of each new
// name, so nothing is polled. False after `limit`.
bool waitForFile(const fs::path& folder, const std::string& prefix, std::chrono::milliseconds limit) {
    const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (watch < 0 || ::inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_MOVED_TO) < 0) return false;
    const auto present = [&] {
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().filename().string().starts_with(prefix)) return true;
        return false;
    };
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool found = present();
    while (!found && std::chrono::steady_clock::now() < deadline) {
        pollfd fd{watch, POLLIN, 0};
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (::poll(&fd, 1, static_cast<int>(std::max<long long>(left.count(), 0))) <= 0) continue;
        char events[4096];
        while (::read(watch, events, sizeof events) > 0) {}
        found = present();
    }
    ::close(watch);
    return found;
}

TEST_F(VidurPrint, CtrlCClosesTheConnectionExitsWith130AndKeepsNothing) {
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
    // The printer opens the job's hidden spool file as it takes the connection.
    EXPECT_TRUE(waitForFile(spool, ".job-", 60s));
    print.signal(SIGINT);
    const auto result = print.finish(20s);
    ::close(writer);
    EXPECT_EQ(result.exitCode, 130) << result.err;
    EXPECT_NE(result.err.find("interrupted; the connection is closed"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::is_empty(spool));
}

// Two processes: `vidur sim --spool` serves the scenario on LToUDP over loopback (interface
// 127.0.0.1, TTL 0, a private port) and `vidur print` prints on one of its printers.
TEST_F(VidurPrint, SimAndPrintOverLToUdpOnLoopbackSpoolTheJobByteForByte) {
    std::unique_ptr<VidurProcess> sim;
    if (!startSim(sim)) {
        if (!skipped.empty()) GTEST_SKIP() << skipped;
        return;
    }
    const auto result =
        VidurProcess::run({"print", job.string(), "--to", "B\xC3\xBCro Laser@Lager", "--network", "ltoudp:127.0.0.1"},
                          environment(), 120s);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    // The simulator names the file once the connection is over, a moment after the client.
    EXPECT_TRUE(sim->waitForError("0001-Quarterly report.ps", 30s));
    const auto spooled = spooledJob();
    ASSERT_TRUE(spooled.has_value());
    EXPECT_TRUE(*spooled == content) << spooled->size() << " bytes of " << content.size();
    sim->signal(SIGINT);
    EXPECT_EQ(sim->finish(10s).exitCode, 0);
}

} // namespace
} // namespace vidur::cli
