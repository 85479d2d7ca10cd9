// SPDX-License-Identifier: MIT
// A 10 MB file copied out of a `vidur mount` of the bench's `vidur share` and into it, over
// DSI on loopback TCP and over ASP on LToUDP loopback; beside each, the plain AFP read loop the
// mount stands on (the client's volume calls, no file system between), so one run gives the
// mount's cost over it. The reads go through the kernel's FUSE channel in the read size of
// `cp` (128 KB); each iteration opens the file again, which drops the kernel's cached pages.
#include "AppleShareBenchServer.h"

#include "appletalk/afp/client/AfpClientSession.h"
#include "appletalk/afp/client/AfpVolumeClient.h"
#include "appletalk/afp/client/AppleTalkClientStack.h"
#include "appletalk/afp/client/DsiClientTransport.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>

using namespace vidur::bench;
using namespace appletalk::afp;

namespace {

constexpr std::size_t kCopySize = 10 * kMiB;
constexpr std::size_t kCopyBuffer = 128 * 1024; // what cp asks for at a time

std::string dsiServer() { return "afp://127.0.0.1:" + std::to_string(sharedFolder().tcpPort); }
std::string aspServer() { return std::string(kServerName) + "@*"; }

// `vidur mount` of the bench's volume for one benchmark, unmounted after it.
class Mount {
public:
    explicit Mount(const std::string& server) : point_(sharedFolder().folder / ("mount-" + std::to_string(++count_))) {
        fs::create_directories(point_);
        if (!sharedFolder().ready) {
            problem_ = "the server did not start";
            return;
        }
        const auto environment =
            vidur::scripted_afp::shareEnvironment(sharedFolder().folder, sharedFolder().ltoudpPort);
        const auto result = VidurProcess::run(
            {"mount", server, point_.string(), "--volume", "Bench", "--network", "ltoudp:127.0.0.1"}, environment, 60s);
        mounted_ = result.exitCode == 0;
        if (!mounted_) problem_ = "vidur mount failed: " + result.err;
    }
    ~Mount() {
        if (mounted_) VidurProcess::run({"unmount", point_.string()}, {}, 60s);
        std::error_code ignored;
        fs::remove(point_, ignored);
    }
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;

    const std::string& problem() const { return problem_; }
    fs::path path(const std::string& name) const { return point_ / name; }

private:
    static inline int count_ = 0;
    fs::path point_;
    bool mounted_ = false;
    std::string problem_;
};

std::size_t copyOut(const fs::path& from) {
    std::vector<char> buffer(kCopyBuffer);
    const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    std::size_t total = 0;
    ssize_t n = 0;
    while ((n = ::read(fd, buffer.data(), buffer.size())) > 0) total += static_cast<std::size_t>(n);
    ::close(fd);
    return total;
}

// Written and closed: the close returns once the last byte is on the server.
std::size_t copyIn(const fs::path& to) {
    std::vector<char> buffer(kCopyBuffer, 0x5a);
    const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return 0;
    std::size_t total = 0;
    while (total < kCopySize) {
        const ssize_t n = ::write(fd, buffer.data(), std::min(buffer.size(), kCopySize - total));
        if (n <= 0) break;
        total += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0 ? total : 0;
}

void copyOutOfMount(benchmark::State& state, const std::string& server) {
    Mount mount(server);
    if (!mount.problem().empty()) return state.SkipWithError(mount.problem().c_str());
    for (auto _ : state)
        if (copyOut(mount.path("small")) != kCopySize) state.SkipWithError("the copy came short");
    report(state, kCopySize);
}

void copyIntoMount(benchmark::State& state, const std::string& server) {
    Mount mount(server);
    if (!mount.problem().empty()) return state.SkipWithError(mount.problem().c_str());
    for (auto _ : state)
        if (copyIn(mount.path("copied in")) != kCopySize) state.SkipWithError("the copy failed");
    report(state, kCopySize);
}

// The plain loop: the mount's own client calls, reading the file in the transport's unit.
void plainReadLoop(benchmark::State& state, AfpTransport& transport) {
    AfpClientSession session(transport);
    std::string problem;
    const auto info = session.serverInfo(problem);
    if (!info || !session.login(*info, {}, problem)) return state.SkipWithError(problem.c_str());
    auto volume = AfpVolumeClient::open(transport, "Bench", {}, problem);
    if (!volume) return state.SkipWithError(problem.c_str());
    std::vector<std::uint8_t> buffer(volume->transferUnit());
    for (auto _ : state) {
        AfpOpenFork fork;
        if (volume->openFork("/small", AfpForkKind::Data, false, fork) != 0) return state.SkipWithError("no fork");
        std::size_t total = 0, got = 0;
        while (volume->read(fork.reference, total, buffer, got) == 0 && got > 0) total += got;
        volume->closeFork(fork.reference);
        if (total != kCopySize) state.SkipWithError("the read came short");
    }
    volume.reset();
    session.logout();
    report(state, kCopySize);
}

void BM_AfpReadLoopDsi10MB(benchmark::State& state) {
    DsiClientTransport transport("127.0.0.1", sharedFolder().tcpPort);
    plainReadLoop(state, transport);
}
void BM_MountDsiCopyOut10MB(benchmark::State& state) { copyOutOfMount(state, dsiServer()); }
void BM_MountDsiCopyIn10MB(benchmark::State& state) { copyIntoMount(state, dsiServer()); }

void BM_AfpReadLoopAsp10MB(benchmark::State& state) {
    // The bench's own node joins the share's private cable, as `vidur mount` does.
    for (const auto& [name, value] :
         vidur::scripted_afp::shareEnvironment(sharedFolder().folder / "plain-loop", sharedFolder().ltoudpPort)) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
    ::setenv("VIDUR_NETWORK", "ltoudp:127.0.0.1", 1);
    AppleTalkClientStack appleTalk;
    std::string problem;
    std::unique_ptr<AfpTransport> transport;
    if (appleTalk.start(10s, problem)) transport = appleTalk.connect(kServerName, "*", problem);
    if (!transport) return state.SkipWithError(problem.c_str());
    plainReadLoop(state, *transport);
}
void BM_MountAspCopyOut10MB(benchmark::State& state) { copyOutOfMount(state, aspServer()); }
void BM_MountAspCopyIn10MB(benchmark::State& state) { copyIntoMount(state, aspServer()); }

} // namespace

BENCHMARK(BM_AfpReadLoopDsi10MB)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1);
BENCHMARK(BM_MountDsiCopyOut10MB)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1);
BENCHMARK(BM_MountDsiCopyIn10MB)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1);
BENCHMARK(BM_AfpReadLoopAsp10MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_MountAspCopyOut10MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_MountAspCopyIn10MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
