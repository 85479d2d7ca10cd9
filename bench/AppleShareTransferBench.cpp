// SPDX-License-Identifier: MIT
// Files through the real `vidur share`, as a client moves them: over DSI on a loopback TCP
// port (100 MB read, 100 MB written, and 64 MB written in 1 MB requests), and over ASP on
// LToUDP loopback (10 MB each way) from a node of the bench's own. Beside them, the same
// 100 MB file sent over a loopback TCP socket by a plain read-and-send loop: what the kernel
// allows with no protocol at all. The client is the tests' scripted AFP client.
#include "AppleShareBenchServer.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using namespace appletalk::afp;
using namespace vidur::scripted_afp;
using namespace vidur::bench;

namespace {

// A client logged in as a guest with the volume open; false with the reason set on `state`.
bool openVolume(benchmark::State& state, AfpClient& client) {
    if (client.loginAsGuest("AFP2.2") != kNoErr) {
        state.SkipWithError("the guest login failed");
        return false;
    }
    client.volume = client.openVolume("Bench");
    if (client.volume == 0) state.SkipWithError("the volume did not open");
    return client.volume != 0;
}

Bytes readCall(std::uint16_t fork, std::uint64_t offset, std::uint32_t count) {
    return block(AfpCommand::Read, {{AfpField::Reference, fork},
                                    {AfpField::Offset, static_cast<std::uint32_t>(offset)},
                                    {AfpField::Count, count}});
}

Bytes writeCall(std::uint16_t fork, std::uint64_t offset, std::uint32_t count) {
    return block(AfpCommand::Write, {{AfpField::Reference, fork},
                                     {AfpField::Offset, static_cast<std::uint32_t>(offset)},
                                     {AfpField::Count, count}});
}

// Reads the whole data fork of `name` in requests of `chunk`; the bytes read.
std::size_t readWhole(AfpClient& client, const std::string& name, std::uint32_t chunk) {
    const std::uint16_t fork = client.openFork(kRootDirectory, name, false);
    std::size_t total = 0;
    for (;;) {
        const Answer answer = client.call(readCall(fork, total, chunk));
        total += answer.reply.size();
        if (answer.result != kNoErr || answer.reply.empty()) break;
    }
    client.closeFork(fork);
    return total;
}

// Writes `size` bytes to the data fork of `name` (created) in requests of `chunk`.
std::size_t writeWhole(AfpClient& client, const std::string& name, std::size_t size, std::uint32_t chunk) {
    client.call(
        block(AfpCommand::CreateFile,
              {{AfpField::Flag, kHardCreate}, {AfpField::Volume, client.volume}, {AfpField::Directory, kRootDirectory}},
              {name}));
    const std::uint16_t fork = client.openFork(kRootDirectory, name, false);
    const Bytes data(chunk, 0x5a);
    std::size_t total = 0;
    while (total < size) {
        const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(chunk, size - total));
        const Bytes piece(data.begin(), data.begin() + count);
        if (client.call(writeCall(fork, total, count), piece).result != kNoErr) break;
        total += count;
    }
    client.closeFork(fork);
    return total;
}

void BM_DsiRead100MB(benchmark::State& state) {
    SharedFolder& shared = sharedFolder();
    DsiConnection connection(shared.tcpPort);
    AfpClient client = clientOver(connection);
    if (!shared.ready || !connection.openSession() || !openVolume(state, client)) return;
    for (auto _ : state)
        if (readWhole(client, "big", kDsiChunk) != kDsiFileSize) state.SkipWithError("the read came short");
    report(state, kDsiFileSize);
}

void writeOverDsi(benchmark::State& state, std::size_t size) {
    SharedFolder& shared = sharedFolder();
    DsiConnection connection(shared.tcpPort);
    AfpClient client = clientOver(connection);
    if (!shared.ready || !connection.openSession() || !openVolume(state, client)) return;
    for (auto _ : state)
        if (writeWhole(client, "written", size, kDsiChunk) != size) state.SkipWithError("the write failed");
    report(state, size);
}
void BM_DsiWrite100MB(benchmark::State& state) { writeOverDsi(state, kDsiFileSize); }
void BM_DsiWrite64MBIn1MBRequests(benchmark::State& state) { writeOverDsi(state, 64 * kMiB); }

// Baseline: the file read and sent over a loopback TCP connection, received and dropped.
void BM_LoopbackTcpCat100MB(benchmark::State& state) {
    SharedFolder& shared = sharedFolder();
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::listen(listener, 1);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    const int sender = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::connect(sender, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int receiver = ::accept(listener, nullptr, nullptr);
    std::thread sink([receiver] {
        std::vector<char> buffer(kMiB);
        while (::recv(receiver, buffer.data(), buffer.size(), 0) > 0) {}
    });
    std::vector<char> buffer(kMiB);
    for (auto _ : state) {
        const int file = ::open((shared.volume / "big").c_str(), O_RDONLY | O_CLOEXEC);
        ssize_t n = 0;
        while ((n = ::read(file, buffer.data(), buffer.size())) > 0)
            for (ssize_t sent = 0; sent < n;) sent += ::send(sender, buffer.data() + sent, n - sent, MSG_NOSIGNAL);
        ::close(file);
    }
    ::shutdown(sender, SHUT_WR);
    sink.join();
    ::close(sender);
    ::close(receiver);
    ::close(listener);
    report(state, kDsiFileSize);
}

// ASP from a node of the bench's own on the same LToUDP cable.
struct AspSession {
    AspSession() : connection(sharedFolder().ltoudpPort), client(clientOver(connection)) {
        problem = sharedFolder().ready ? connection.open(kServerName) : "the server did not start";
    }
    AspConnection connection;
    AfpClient client;
    std::string problem;
};

void BM_AspRead10MB(benchmark::State& state) {
    AspSession session;
    if (!session.problem.empty()) return state.SkipWithError(session.problem.c_str());
    if (!openVolume(state, session.client)) return;
    for (auto _ : state)
        if (readWhole(session.client, "small", kAspChunk) != kAspFileSize) state.SkipWithError("the read came short");
    report(state, kAspFileSize);
}

void BM_AspWrite10MB(benchmark::State& state) {
    AspSession session;
    if (!session.problem.empty()) return state.SkipWithError(session.problem.c_str());
    if (!openVolume(state, session.client)) return;
    for (auto _ : state)
        if (writeWhole(session.client, "written by asp", kAspFileSize, kAspChunk) != kAspFileSize)
            state.SkipWithError("the write failed");
    report(state, kAspFileSize);
}

} // namespace

BENCHMARK(BM_LoopbackTcpCat100MB)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_DsiRead100MB)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_DsiWrite100MB)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_DsiWrite64MBIn1MBRequests)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_AspRead10MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_AspWrite10MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
