// SPDX-License-Identifier: MIT
// The real `vidur share` serving a temporary folder for a whole bench run (guest, DSI on a
// loopback TCP port, LToUDP on loopback with a private port), shared by the benches of the
// server's transfers and of the mount.
#pragma once

#include "VidurProcess.h"
#include "support/AfpScriptedClient.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <unistd.h>

namespace vidur::bench {

using namespace std::chrono_literals;
using vidur::cli::testing::VidurProcess;
namespace fs = std::filesystem;

constexpr std::size_t kMiB = 1024 * 1024;
constexpr std::size_t kDsiFileSize = 100 * kMiB;
constexpr std::size_t kAspFileSize = 10 * kMiB;
constexpr std::uint32_t kDsiChunk = kMiB; // the server's request quantum
constexpr std::uint32_t kAspChunk = 8 * 578; // eight ATP packets: ASP's reply ceiling
constexpr const char* kServerName = "Bench Share";

inline void writeFile(const fs::path& path, std::size_t size) {
    std::vector<char> chunk(kMiB);
    for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 131 + 7);
    std::ofstream out(path, std::ios::binary);
    for (std::size_t written = 0; written < size; written += chunk.size())
        out.write(chunk.data(), static_cast<std::streamsize>(std::min(chunk.size(), size - written)));
}

// `vidur share` on a temporary folder, for the whole run.
struct SharedFolder {
    SharedFolder() {
        // The client allocates a megabyte for each reply: kept by the allocator rather than
        // handed back to the kernel, so the client's page faults do not stand in the figures.
        mallopt(M_MMAP_THRESHOLD, 64 * kMiB);
        mallopt(M_TRIM_THRESHOLD, 512 * kMiB);
        folder = fs::temp_directory_path() / ("vidur-share-bench-" + std::to_string(::getpid()));
        volume = folder / "volume";
        fs::create_directories(volume);
        fs::create_directories(folder / "state");
        writeFile(volume / "big", kDsiFileSize);
        writeFile(volume / "small", kAspFileSize);
        tcpPort = scripted_afp::freeTcpPort();
        ltoudpPort = static_cast<std::uint16_t>(20000 + ::getpid() % 20000);
        const VidurProcess::Environment environment = scripted_afp::shareEnvironment(folder, ltoudpPort);
        server = std::make_unique<VidurProcess>(
            std::vector<std::string>{"share", "Bench=" + volume.string(), "--name", kServerName, "--tcp",
                                     "127.0.0.1:" + std::to_string(tcpPort), "--network", "ltoudp:127.0.0.1"},
            environment);
        ready = server->waitForOutput("sharing Bench as ", 60s);
    }
    ~SharedFolder() {
        server.reset();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    fs::path folder, volume;
    std::uint16_t tcpPort = 0;
    std::uint16_t ltoudpPort = 0;
    std::unique_ptr<VidurProcess> server;
    bool ready = false;
};

inline SharedFolder& sharedFolder() {
    static SharedFolder shared;
    return shared;
}

// Each iteration moved `bytes`: the throughput column.
inline void report(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
}

} // namespace vidur::bench
