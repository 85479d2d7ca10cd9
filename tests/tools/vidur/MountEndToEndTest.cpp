// SPDX-License-Identifier: MIT
// `vidur mount` as a user runs it (in the background) against the real `vidur share`: over
// DSI on a loopback TCP port and over ASP on LToUDP over loopback (a private port, TTL 0).
// A file's bytes, resource fork and Finder info go in through the mount and come back after
// a remount; a server killed under a mount turns into EIO within --timeout; a wrong password
// mounts nothing. Waits are for a line, a process or the mount table, never for time; no
// mount or mount process is left behind.
#include "ShareProcess.h"
#include "VidurProcess.h"
#include "appletalk/afp/server/auth/UserFile.h"
#include "support/AfpScriptedClient.h"
#include "tools/mount/MountTable.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>

namespace vidur::cli {
namespace {

using namespace vidur::scripted_afp;
using testing::VidurProcess;
using vidur::mount::MountTable;
namespace fs = std::filesystem;

constexpr const char* kResourceFork = "user.com.apple.ResourceFork";
constexpr const char* kFinderInfo = "user.com.apple.FinderInfo";
constexpr auto kBound = 60s; // for a busy machine; each wait ends as soon as its state holds

Bytes fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes attribute(const fs::path& path, const char* name) {
    const ssize_t size = ::getxattr(path.c_str(), name, nullptr, 0);
    if (size < 0) return {};
    Bytes value(static_cast<std::size_t>(size));
    return ::getxattr(path.c_str(), name, value.data(), value.size()) == size ? value : Bytes{};
}

// A file of /proc; empty when its process went meanwhile.
std::string procText(const fs::path& path) {
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    char buffer[4096];
    ssize_t got = 0;
    while (fd >= 0 && (got = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(got));
    if (fd >= 0) ::close(fd);
    return text;
}

// The processes (not zombies) serving a mount on `directory`.
std::vector<pid_t> mountProcesses(const std::string& directory) {
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string arguments = procText(entry.path() / "cmdline");
        const std::string stat = procText(entry.path() / "stat");
        const auto afterCommand = stat.rfind(')'); // the command may hold spaces
        const bool zombie = afterCommand != std::string::npos && stat.compare(afterCommand, 3, ") Z") == 0;
        if (!arguments.empty() && !zombie && arguments.find(std::string("mount") + '\0') != std::string::npos &&
            arguments.find(directory + '\0') != std::string::npos)
            found.push_back(std::stoi(name));
    }
    return found;
}

// Waits, at most the bound, until each process serving `directory` has ended; true when all
// did. A process that is not ours to wait for is watched through a pidfd.
bool mountProcessesEnd(const std::string& directory) {
    bool ended = true;
    for (const pid_t pid : mountProcesses(directory)) {
        const int watch = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
        if (watch < 0) continue; // gone already
        pollfd exit{watch, POLLIN, 0};
        ended = ::poll(&exit, 1, static_cast<int>(std::chrono::milliseconds(kBound).count())) == 1 && ended;
        ::close(watch);
    }
    return ended;
}

class MountEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
        if (fuse < 0) GTEST_SKIP() << "/dev/fuse cannot be opened here: " << std::strerror(errno);
        ::close(fuse);
        folder = fs::temp_directory_path() / ("vidur-mount-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        volume = folder / "volume";
        mountPoint = folder / "mnt";
        fs::create_directories(volume);
        fs::create_directories(mountPoint);
        fs::create_directories(folder / "state");
        tcpPort = freeTcpPort();
        client = shareEnvironment(folder, port);
        client["VIDUR_NETWORK"] = "ltoudp:127.0.0.1";
    }
    void TearDown() override {
        if (folder.empty()) return;
        if (MountTable::isOurs(mountPoint.string()))
            VidurProcess::runProgram("/bin/fusermount3", {"-u", mountPoint.string()}, {}, 30s);
        EXPECT_TRUE(mountProcessesEnd(mountPoint.string()));
        for (const pid_t left : mountProcesses(mountPoint.string())) ::kill(left, SIGKILL);
        if (server) {
            server->signal(SIGTERM);
            server->finish(kBound);
        }
        fs::remove_all(folder);
    }

    // The server up, its name registered; false (the test skipped or failed) when not.
    bool startServer(const std::vector<std::string>& more = {}) {
        std::vector<std::string> arguments{
            "share",     "Test=" + volume.string(), "--name", kServer, "--tcp", "127.0.0.1:" + std::to_string(tcpPort),
            "--network", "ltoudp:127.0.0.1"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        server = testing::startShare(arguments, shareEnvironment(folder, port), "sharing Test as", skipped);
        return server != nullptr;
    }

    testing::ProcessResult mount(const std::string& where, const std::vector<std::string>& more = {}) {
        std::vector<std::string> arguments{"mount", where, mountPoint.string()};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return VidurProcess::run(arguments, client);
    }

    // `vidur unmount`, then the mount's process gone.
    void unmount() {
        const auto ended = VidurProcess::run({"unmount", mountPoint.string()}, client);
        EXPECT_EQ(ended.exitCode, 0) << ended.err;
        EXPECT_FALSE(MountTable::isOurs(mountPoint.string()));
        EXPECT_TRUE(mountProcessesEnd(mountPoint.string()));
    }

    // Through the mount: a 5 MB file, its resource fork and Finder info, a folder it is
    // renamed into; after a remount all of it read back, and on the server's disk.
    void roundTrip(const std::string& where) {
        const auto mounted = mount(where);
        ASSERT_EQ(mounted.exitCode, 0) << mounted.err;
        EXPECT_EQ(mounted.out, "mounted Test of " + where + " on " + mountPoint.string() + "\n");
        ASSERT_TRUE(MountTable::isOurs(mountPoint.string()));

        Bytes data(5 * 1000 * 1000);
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + i / 4099);
        Bytes resource(3000);
        for (std::size_t i = 0; i < resource.size(); ++i) resource[i] = static_cast<std::uint8_t>(i ^ 0x5A);
        Bytes finderInfo(32, 0);
        std::copy_n("TEXTttxt", 8, finderInfo.begin());
        std::ofstream(mountPoint / "Notes", std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
        const fs::path notes = mountPoint / "Notes";
        ASSERT_EQ(::setxattr(notes.c_str(), kResourceFork, resource.data(), resource.size(), 0), 0);
        ASSERT_EQ(::setxattr(notes.c_str(), kFinderInfo, finderInfo.data(), finderInfo.size(), XATTR_CREATE), 0);
        // A get into a buffer one byte short is refused, never cut.
        Bytes tooSmall(resource.size() - 1);
        EXPECT_EQ(::getxattr(notes.c_str(), kResourceFork, tooSmall.data(), tooSmall.size()), -1);
        EXPECT_EQ(errno, ERANGE);
        fs::create_directory(mountPoint / "Folder");
        fs::rename(notes, mountPoint / "Folder" / "Moved Notes");
        unmount();

        const auto again = mount(where);
        ASSERT_EQ(again.exitCode, 0) << again.err;
        const fs::path moved = mountPoint / "Folder" / "Moved Notes";
        EXPECT_FALSE(fs::exists(mountPoint / "Notes"));
        EXPECT_EQ(fs::file_size(moved), data.size());
        EXPECT_TRUE(fileBytes(moved) == data);
        EXPECT_EQ(attribute(moved, kResourceFork), resource);
        EXPECT_EQ(attribute(moved, kFinderInfo), finderInfo);
        EXPECT_TRUE(fileBytes(volume / "Folder" / "Moved Notes") == data);
        unmount();
    }

    static constexpr const char* kServer = "Mount Test";
    fs::path folder, volume, mountPoint;
    std::string skipped;
    int port = 20000 + (::getpid() + 7919) % 20000;
    std::uint16_t tcpPort = 0;
    VidurProcess::Environment client;
    std::unique_ptr<VidurProcess> server;
};

TEST_F(MountEndToEnd, AFileWithItsForksAndFinderInfoSurvivesARemountOverDsi) {
    if (!startServer()) {
        if (!skipped.empty()) GTEST_SKIP() << skipped;
        return;
    }
    roundTrip("afp://127.0.0.1:" + std::to_string(tcpPort));
}

TEST_F(MountEndToEnd, AFileWithItsForksAndFinderInfoSurvivesARemountOverAsp) {
    if (!startServer()) {
        if (!skipped.empty()) GTEST_SKIP() << skipped;
        return;
    }
    roundTrip(std::string(kServer) + "@*");
}

// Over ASP, where nothing tells the client the server died: each call waits out --timeout.
TEST_F(MountEndToEnd, AServerKilledUnderTheMountTurnsIntoEioAndTheMountStillUnmounts) {
    if (!startServer()) {
        if (!skipped.empty()) GTEST_SKIP() << skipped;
        return;
    }
    std::ofstream(volume / "Read Me") << "hello";
    const auto mounted = mount(std::string(kServer) + "@*", {"--timeout", "3"});
    ASSERT_EQ(mounted.exitCode, 0) << mounted.err;
    const fs::path readMe = mountPoint / "Read Me";
    EXPECT_EQ(fileBytes(readMe), bytesOf("hello"));

    server->signal(SIGKILL);
    server->finish(30s);
    // An open always reaches the mount (no cache answers it): the first waits out the limit.
    const int fd = ::open(readMe.c_str(), O_RDONLY);
    EXPECT_EQ(fd, -1);
    EXPECT_EQ(errno, EIO);
    if (fd >= 0) ::close(fd);
    // Then everything answers EIO at once.
    struct stat status {};
    EXPECT_NE(::stat((mountPoint / "Elsewhere").c_str(), &status), 0);
    EXPECT_EQ(errno, EIO);
    EXPECT_EQ(::listxattr(readMe.c_str(), nullptr, 0), -1);
    EXPECT_EQ(errno, EIO);
    unmount();
}

// The password from /dev/fd/N, as the Chooser hands it over.
TEST_F(MountEndToEnd, AWrongPasswordExitsTwoWithItsSentenceAndMountsNothing) {
    const fs::path users = folder / "share.users";
    std::string problem;
    ASSERT_TRUE(appletalk::afp::UserFile::store(users, "ada", "lovelace", problem)) << problem;
    if (!startServer({"--users", users.string()})) {
        if (!skipped.empty()) GTEST_SKIP() << skipped;
        return;
    }
    int password[2];
    ASSERT_EQ(::pipe(password), 0); // inherited by the command, as a shell's redirection would be
    ASSERT_EQ(::write(password[1], "babbage\n", 8), 8);
    ::close(password[1]);
    const auto impostor = mount("afp://127.0.0.1:" + std::to_string(tcpPort),
                                {"--user", "ada", "--password-file", "/dev/fd/" + std::to_string(password[0])});
    ::close(password[0]);
    EXPECT_EQ(impostor.exitCode, 2);
    EXPECT_EQ(impostor.err, "vidur mount: the user name or password is wrong\n");
    EXPECT_TRUE(impostor.out.empty());
    EXPECT_FALSE(MountTable::isOurs(mountPoint.string()));
    EXPECT_TRUE(mountProcesses(mountPoint.string()).empty());
}

} // namespace
} // namespace vidur::cli
