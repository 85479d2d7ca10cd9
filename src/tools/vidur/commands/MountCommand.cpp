// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/MountCommand.h"

#include "appletalk/afp/client/AfpVolumeClient.h"
#include "appletalk/afp/server/auth/Secret.h"
#include "tools/mount/AfpFileSystem.h"
#include "tools/mount/AttentionNotice.h"
#include "tools/mount/FuseMount.h"
#include "tools/mount/KeepAlive.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/cli/UsageError.h"
#include "tools/vidur/commands/AfpServerConnection.h"
#include "tools/vidur/commands/PasswordPrompt.h"
#include "tools/vidur/output/TerminalText.h"

#include <algorithm>
#include <charconv>
#include <csignal>
#include <filesystem>
#include <functional>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vidur::cli {

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using appletalk::afp::AfpVolumeClient;

// Often enough that a DSI tickle or an ASP one is never late.
constexpr auto kKeepAliveInterval = 3s;
constexpr int kDefaultTimeout = 30;
constexpr int kMostTimeout = 3600;
// The child's answer through the pipe: this word and the volume's name, or the reason.
constexpr std::string_view kMounted = "mounted\n";

struct MountRequest {
    std::string serverText; // as the user wrote it
    AfpServerAddress server;
    appletalk::afp::AfpLoginRequest login;
    std::string directory; // absolute
    std::optional<std::string> volume;
    bool readOnly = false;
    std::chrono::seconds timeout{kDefaultTimeout};
};

// Told once: the volume mounted (problem empty) or why not.
using Ready = std::function<void(const std::string& volume, const std::string& problem)>;

std::chrono::seconds parseTimeout(const ParsedArguments& arguments) {
    const auto text = arguments.value("timeout");
    if (!text) return std::chrono::seconds(kDefaultTimeout);
    int seconds = 0;
    const auto parsed = std::from_chars(text->data(), text->data() + text->size(), seconds);
    if (parsed.ec != std::errc() || parsed.ptr != text->data() + text->size() || seconds < 1 || seconds > kMostTimeout)
        throw UsageError("--timeout takes seconds, 1 to " + std::to_string(kMostTimeout));
    return std::chrono::seconds(seconds);
}

// The mount point, absolute; a reason when it is not an empty folder.
std::string folderProblem(const fs::path& directory) {
    std::error_code error;
    const fs::file_status status = fs::status(directory, error);
    if (!fs::exists(status)) return directory.string() + " does not exist: mount on an empty folder";
    if (!fs::is_directory(status)) return directory.string() + " is not a folder: mount on an empty folder";
    if (!fs::is_empty(directory, error) || error)
        return directory.string() + (error ? " cannot be read: " + error.message() : " is not empty") +
               ": mount on an empty folder";
    return {};
}

std::string joined(const std::vector<appletalk::afp::AfpVolumeEntry>& volumes) {
    std::string list;
    for (const auto& volume : volumes) list += (list.empty() ? "" : ", ") + volume.name;
    return list;
}

// The volume named, the only one, or the one the user picks on a terminal.
std::optional<std::string> chooseVolume(AfpServerConnection& connection, const MountRequest& request, CommandIo& io,
                                        std::string& problem) {
    if (request.volume) return request.volume;
    const auto volumes = connection.session().volumes(problem);
    if (!volumes) return std::nullopt;
    if (volumes->empty()) problem = request.serverText + " offers no volumes";
    if (volumes->size() == 1) return volumes->front().name;
    if (volumes->size() < 2) return std::nullopt;
    if (::isatty(STDIN_FILENO) == 0 || ::isatty(STDERR_FILENO) == 0) {
        problem = request.serverText + " offers several volumes; name one with --volume: " + joined(*volumes);
        return std::nullopt;
    }
    for (std::size_t i = 0; i < volumes->size(); ++i)
        io.err << "  " << i + 1 << ". " << escapeControls((*volumes)[i].name) << "\n";
    io.err << "Mount which volume (1-" << volumes->size() << ")? " << std::flush;
    const auto line = readStandardInputLine();
    std::size_t chosen = 0;
    if (line) std::from_chars(line->data(), line->data() + line->size(), chosen);
    if (chosen == 0 || chosen > volumes->size()) {
        problem = "no volume chosen";
        return std::nullopt;
    }
    return (*volumes)[chosen - 1].name;
}

// A volume named that the server does not have is said so, with those it has.
std::string unknownVolumeProblem(AfpServerConnection& connection, const MountRequest& request,
                                 const std::string& problem) {
    std::string ignored;
    const auto volumes = connection.session().volumes(ignored);
    if (!volumes || std::any_of(volumes->begin(), volumes->end(),
                                [&](const auto& volume) { return volume.name == *request.volume; }))
        return problem;
    return request.serverText + " has no volume " + *request.volume + "; it offers " + joined(*volumes);
}

// Connects, logs in, opens and mounts the volume, tells `ready`, then serves the mount until
// it is unmounted or a signal ends it; then the forks, the volume and the session are closed.
int serveMount(MountRequest& request, CommandIo& io, const Ready& ready) {
    AfpServerConnection connection;
    std::string problem;
    auto fail = [&](const std::string& reason) {
        ready({}, reason);
        return kExitError;
    };
    if (!connection.open(request.server, request.login, request.timeout, problem)) return fail(problem);
    const auto volumeName = chooseVolume(connection, request, io, problem);
    if (!volumeName) return fail(problem);
    auto volume = AfpVolumeClient::open(connection.transport(), *volumeName, {}, problem);
    if (!volume) return fail(request.volume ? unknownVolumeProblem(connection, request, problem) : problem);
    appletalk::afp::AfpVolumeInfo info;
    const bool volumeReadOnly = volume->volumeInfo(info) == 0 && (info.attributes & 1) != 0;
    const vidur::mount::MountIdentity identity{::getuid(), ::getgid(), request.readOnly || volumeReadOnly};

    vidur::mount::AttentionNotice notice(*volumeName + " of " + request.serverText + " on " + request.directory);
    vidur::mount::AfpFileSystem fileSystem(*volume, identity);
    fileSystem.setGoneHandler([&notice](const std::string& reason) { notice.serverGone(reason); });
    auto fuse = std::make_unique<vidur::mount::FuseMount>(fileSystem);
    if (!fuse->mount(request.directory, request.serverText + ":" + *volumeName, identity.readOnly, problem))
        return fail(problem);
    connection.transport().setAttentionHandler([&notice](std::uint16_t code) { notice.attention(code); });
    ready(*volumeName, {});
    {
        auto idle = [&](std::string& reason) {
            if (!connection.transport().keepAlive(reason)) return false;
            if (const std::uint16_t attention = notice.takeMessageWaiting(); attention != 0) {
                std::string ignored;
                notice.serverMessage(connection.session().serverMessage(ignored), attention);
            }
            return true;
        };
        const vidur::mount::KeepAlive keepAlive(fileSystem, idle, kKeepAliveInterval, [&notice] { notice.reap(); });
        fuse->run();
    }
    fuse.reset();
    fileSystem.closeAll();
    connection.transport().setAttentionHandler({});
    if (fileSystem.gone()) {
        // Nobody to say goodbye to: the transport closed first, so CloseVol fails at once.
        connection.transport().close();
        volume.reset();
        connection.abandon();
        return kExitSuccess;
    }
    volume.reset(); // CloseVol
    connection.close(); // Logout, the transport closed
    return kExitSuccess;
}

void sayMounted(CommandIo& io, const MountRequest& request, const std::string& volume, const std::string& more) {
    io.out << "mounted " << escapeControls(volume) << " of " << escapeControls(request.serverText) << " on "
           << escapeControls(request.directory) << more << std::endl;
}

// The child's side: a session of its own, the answer through `answer`, then no terminal.
[[noreturn]] void runDetached(MountRequest& request, CommandIo& io, int answer) {
    ::setsid();
    // A parent gone before the answer must not take the mount down with the pipe.
    std::signal(SIGPIPE, SIG_IGN);
    const int status = serveMount(request, io, [answer](const std::string& volume, const std::string& problem) {
        const std::string message = problem.empty() ? std::string(kMounted) + volume : problem;
        for (std::size_t sent = 0; sent < message.size();) {
            const ssize_t wrote = ::write(answer, message.data() + sent, message.size() - sent);
            if (wrote <= 0) break;
            sent += static_cast<std::size_t>(wrote);
        }
        ::close(answer);
        if (!problem.empty()) return;
        // Served from here on with no terminal and no folder held.
        const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) ::dup2(null, fd);
        if (null > STDERR_FILENO) ::close(null);
        if (::chdir("/") != 0) return;
    });
    io.out.flush();
    io.err.flush();
    std::exit(status);
}

// The parent's side: the child's answer, in words.
int awaitChild(pid_t child, int answer, const MountRequest& request, CommandIo& io) {
    std::string message;
    char buffer[512];
    ssize_t got = 0;
    while ((got = ::read(answer, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))
        if (got > 0) message.append(buffer, static_cast<std::size_t>(got));
    ::close(answer);
    if (message.starts_with(kMounted)) {
        sayMounted(io, request, message.substr(kMounted.size()), {});
        return kExitSuccess;
    }
    ::waitpid(child, nullptr, 0);
    if (message.empty()) message = "the mount's process ended before it was ready";
    io.err << "vidur mount: " << escapeControls(message) << std::endl;
    return kExitError;
}

} // namespace

std::string MountCommand::details() const {
    return "SERVER is NAME@ZONE (AppleTalk, ASP) or afp://[USER@]HOST[:PORT] (TCP, DSI), as for\n"
           "`vidur volumes`; the login and the password are taken as it takes them, before anything\n"
           "goes to the background. DIR must be an empty folder. Without --volume the server's only\n"
           "volume is mounted; of several, one is asked for on a terminal. Files are owned by the\n"
           "user who mounts; a file's resource fork and Finder info are the extended attributes\n"
           "user.com.apple.ResourceFork and user.com.apple.FinderInfo. Once the volume is mounted the\n"
           "command says so and leaves it served in the background (with --foreground it stays,\n"
           "and Ctrl-C unmounts). `vidur unmount DIR` or `fusermount3 -u DIR` ends it. A server\n"
           "silent for --timeout seconds (default 30) is given up: its files answer input/output\n"
           "errors. Exit status 2 with the reason when the volume cannot be mounted.\n";
}

std::vector<OptionSpec> MountCommand::options() const {
    return {{"volume", "VOLUME", "the volume to mount (default: the server's only one)"},
            {"user", "USER", "log in as USER (default: as a guest)"},
            {"password-file", "FILE", "read the password from FILE's first line"},
            {"read-only", {}, "mount read-only"},
            {"allow-cleartext", {}, "send the password readable on the wire if the server takes no other"},
            {"timeout", "SECONDS", "give up on a silent server after SECONDS (default 30)"},
            {"foreground", {}, "stay in the foreground; Ctrl-C unmounts"}};
}

int MountCommand::run(const ParsedArguments& arguments, CommandIo& io) {
    MountRequest request;
    request.serverText = arguments.positionals()[0];
    request.server = AfpServerAddress::parse(request.serverText);
    request.volume = arguments.value("volume");
    request.readOnly = arguments.has("read-only");
    request.timeout = parseTimeout(arguments);
    fs::path directory = fs::absolute(arguments.positionals()[1]).lexically_normal();
    if (directory.filename().empty()) directory = directory.parent_path();
    request.directory = directory.string();
    auto fail = [&io](const std::string& reason) {
        io.err << "vidur mount: " << escapeControls(reason) << std::endl;
        return kExitError;
    };
    if (std::string problem = folderProblem(directory); !problem.empty()) return fail(problem);
    std::string problem;
    auto login = requestedLogin(arguments, request.server, io, problem);
    if (!login) return fail(problem);
    request.login = std::move(*login);

    if (arguments.has("foreground")) {
        return serveMount(request, io, [&](const std::string& volume, const std::string& reason) {
            if (reason.empty())
                sayMounted(io, request, volume, "; Ctrl-C unmounts");
            else
                fail(reason);
        });
    }
    // No thread runs yet: the stack, the transport and the mount's threads are all the child's.
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return fail("cannot make a pipe for the mount's process");
    io.out.flush();
    io.err.flush();
    const pid_t child = ::fork();
    if (child < 0) return fail("cannot start the mount's process");
    if (child == 0) {
        ::close(pipeEnds[0]);
        runDetached(request, io, pipeEnds[1]);
    }
    ::close(pipeEnds[1]);
    appletalk::afp::wipe(request.login.password);
    return awaitChild(child, pipeEnds[0], request, io);
}

} // namespace vidur::cli
