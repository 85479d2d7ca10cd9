// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/ShareCommand.h"

#include "appletalk/afp/dsi/DsiServer.h"
#include "appletalk/afp/server/AfpServer.h"
#include "appletalk/afp/server/auth/UserFile.h"
#include "appletalk/afp/service/ShareSession.h"
#include "text/MacRoman.h"
#include "tools/share/ShareSettings.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/cli/StopSignal.h"
#include "tools/vidur/cli/UsageError.h"
#include "tools/vidur/output/TerminalText.h"

#include <arpa/inet.h>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <set>
#include <unistd.h>

namespace vidur::cli {

namespace {

using namespace std::chrono_literals;
using appletalk::afp::ShareNameState;
using vidur::share::ShareSettings;
using vidur::share::ShareVolume;
using vidur::share::TcpEndpoint;
namespace fs = std::filesystem;

constexpr auto kStartLimit = 30s;
// Three look-ups a second apart, with room for a busy machine.
constexpr auto kNameLimit = 15s;
constexpr auto kStopLimit = 10s;

// The server's lines come from the stack's thread, the command's from its own.
class ShareLog {
public:
    explicit ShareLog(CommandIo& io) : io_(io) {}
    void say(const std::string& utf8) {
        std::lock_guard lock(mutex_);
        io_.err << "vidur share: " << escapeControls(utf8) << std::endl;
    }

private:
    CommandIo& io_;
    std::mutex mutex_;
};

// Positional volumes replace the settings' list; a volume's own ",read-only" or --read-only
// makes it read-only.
std::vector<ShareVolume> chosenVolumes(const ParsedArguments& arguments, const ShareSettings& settings) {
    std::vector<ShareVolume> volumes;
    for (const std::string& argument : arguments.positionals()) {
        std::string problem;
        auto volume = ShareSettings::parseVolume(argument, problem);
        if (!volume) throw UsageError(problem);
        volumes.push_back(std::move(*volume));
    }
    if (volumes.empty()) volumes = settings.volumes;
    if (volumes.empty())
        throw UsageError("nothing to share: name VOLUME=DIR, or volumes in [Share Volumes] of AppleTalk.INI");
    std::set<std::string> seen;
    for (ShareVolume& volume : volumes) {
        // A Mac tells volumes apart without regard to case.
        std::string folded;
        for (const char c : text::utf8ToMacRoman(volume.name).macRoman)
            folded += static_cast<char>(text::foldCase(static_cast<std::uint8_t>(c)));
        if (!seen.insert(folded).second) throw UsageError("two volumes are named '" + volume.name + "'");
        if (arguments.has("read-only") || settings.readOnly) volume.readOnly = true;
    }
    return volumes;
}

std::optional<TcpEndpoint> chosenTcp(const ParsedArguments& arguments, const ShareSettings& settings) {
    const auto given = arguments.value("tcp");
    if (!given) return settings.tcp;
    std::string problem;
    auto endpoint = ShareSettings::parseTcp(*given, problem);
    if (!endpoint) throw UsageError("--tcp: " + problem);
    return endpoint;
}

// The status block names the address only when it is one a client can reach.
std::vector<appletalk::afp::AfpNetworkAddress> announced(const std::optional<TcpEndpoint>& tcp) {
    in_addr address{};
    if (!tcp || ::inet_pton(AF_INET, tcp->address.c_str(), &address) != 1 || address.s_addr == INADDR_ANY) return {};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&address.s_addr);
    return {{appletalk::afp::AfpNetworkAddress::IpPort,
             {bytes[0], bytes[1], bytes[2], bytes[3], static_cast<std::uint8_t>(tcp->port >> 8),
              static_cast<std::uint8_t>(tcp->port & 0xFF)}}};
}

std::string volumeList(const std::vector<ShareVolume>& volumes) {
    std::string list;
    for (const ShareVolume& volume : volumes) {
        if (!list.empty()) list += ", ";
        list += volume.name;
        if (volume.readOnly) list += " (read-only)";
    }
    return list;
}

} // namespace

std::string ShareCommand::details() const {
    return "Each VOLUME=DIR shares the folder DIR as the volume VOLUME (at most 27 characters); without\n"
           "one, [Share Volumes] of AppleTalk.INI lists them. The server registers SERVER:AFPServer in\n"
           "this node's zone (SERVER defaults to the host's name, cut to 31 characters) and answers ASP\n"
           "on AppleTalk; --tcp answers DSI on TCP too (ADDRESS defaults to every interface). Guests may\n"
           "log in unless named users are served (--users, Users= or /etc/vidur20/share.users), and then\n"
           "only with --guest; `vidur passwd` sets a user's password. Cleartext passwords only with\n"
           "--cleartext. The volumes' IDs and desktop databases are kept in $STATE_DIRECTORY under\n"
           "systemd, else $XDG_STATE_HOME/vidur20/share (~/.local/state/vidur20/share), a folder per\n"
           "volume. The [Share] section of AppleTalk.INI holds the same settings and the network;\n"
           "without a network there (or --network) nothing is shared. Runs until Ctrl-C or SIGTERM,\n"
           "which tells each client the server is going down and closes the sessions (exit 0).\n"
           "Exit status 2 for bad usage or settings, no network, a missing folder or a name taken.\n";
}

std::vector<OptionSpec> ShareCommand::options() const {
    return {{"name", "SERVER", "the server's name (default: the host's)"},
            {"guest", "", "let guests log in beside the named users"},
            {"read-only", "", "share every volume read-only"},
            {"users", "FILE", "the password file of named users (vidur passwd)"},
            {"cleartext", "", "accept cleartext passwords (old clients)"},
            {"tcp", "[ADDRESS:]PORT", "answer DSI on TCP too (AFP's port is 548)"}};
}

int ShareCommand::run(const ParsedArguments& arguments, CommandIo& io) {
    ShareLog log(io);
    const ShareSettings settings = ShareSettings::load();
    if (!settings.errors.empty()) {
        for (const std::string& error : settings.errors) log.say(error);
        return kExitError;
    }
    std::vector<ShareVolume> volumes = chosenVolumes(arguments, settings);
    for (const ShareVolume& volume : volumes)
        if (std::string problem = ShareSettings::folderProblem(volume); !problem.empty()) {
            log.say(problem);
            return kExitError;
        }
    const std::string serverName =
        arguments.value("name").value_or(settings.name.empty() ? ShareSettings::defaultServerName() : settings.name);
    if (std::string problem = ShareSettings::serverNameProblem(serverName); !problem.empty()) throw UsageError(problem);

    fs::path users = arguments.value("users").value_or(settings.users.string());
    if (!users.empty() && !fs::exists(users)) {
        log.say("the users file " + users.string() + " does not exist; `vidur passwd --file " + users.string() +
                " USER` makes it");
        return kExitError;
    }
    std::error_code ignored;
    if (users.empty() && fs::exists(appletalk::afp::kDefaultUsersFile, ignored))
        users = appletalk::afp::kDefaultUsersFile;
    // Guests are welcome where nobody else could log in; once users are named, only if asked.
    const bool guest = arguments.has("guest") || settings.guest.value_or(users.empty());
    if (!guest && users.empty()) {
        log.say("nobody could log in: Guest=no and no users file");
        return kExitError;
    }
    const std::optional<TcpEndpoint> tcp = chosenTcp(arguments, settings);
    if (!settings.network) {
        log.say(settings.problem + "; name one with Network= in [Share] or with --network");
        return kExitError;
    }

    appletalk::afp::AfpServerConfig config;
    config.serverName = serverName;
    config.guestAllowed = guest;
    config.cleartextAllowed = arguments.has("cleartext") || settings.cleartext;
    config.usersFile = users;
    config.addresses = announced(tcp);
    const fs::path state = ShareSettings::stateDirectory();
    for (const ShareVolume& volume : volumes) {
        appletalk::afp::ShareVolumeConfig shared;
        shared.name = volume.name;
        shared.folder = volume.folder;
        shared.readOnly = volume.readOnly;
        shared.stateDirectory = ShareSettings::volumeStateDirectory(state, volume.name);
        std::error_code error;
        fs::create_directories(shared.stateDirectory, error);
        if (error) {
            log.say("cannot make " + shared.stateDirectory.string() +
                    " for the volume's databases: " + error.message());
            return kExitError;
        }
        config.volumes.push_back(std::move(shared));
    }
    std::string problem;
    auto server = appletalk::afp::AfpServer::create(std::move(config), problem);
    if (!server) {
        log.say(problem);
        return kExitError;
    }
    server->setLog([&log](const std::string& line) { log.say(line); });

    int dsiFd = -1;
    if (tcp) {
        dsiFd = appletalk::afp::openDsiListener(tcp->address, tcp->port, problem);
        if (dsiFd < 0) {
            log.say("DSI on " + tcp->address + ":" + std::to_string(tcp->port) + ": " + problem);
            return kExitError;
        }
    }

    const StopSignal stop;
    appletalk::afp::ShareSession session(*settings.network);
    if (!session.isOnline()) {
        log.say(session.problem());
        if (dsiFd >= 0) ::close(dsiFd);
        return kExitError;
    }
    if (!session.awaitStart(kStartLimit)) {
        log.say("the AppleTalk node did not start on " + settings.network->networkName());
        if (dsiFd >= 0) ::close(dsiFd);
        return kExitError;
    }
    const std::string macName = text::utf8ToMacRoman(serverName).macRoman;
    if (!session.serve(
            *server, macName, dsiFd, [&log](const std::string& line) { log.say(line); }, problem)) {
        log.say(problem);
        return kExitError;
    }
    switch (session.awaitName(kNameLimit)) {
    case ShareNameState::Registered: break;
    case ShareNameState::NameInUse:
        log.say("another server on the network answers to " + text::macRomanToUtf8(session.shownName()) +
                "; choose another name with --name");
        return kExitError;
    default: log.say("the server's name was not registered"); return kExitError;
    }
    io.out << "sharing " << escapeControls(volumeList(volumes)) << " as " << terminalText(session.shownName()) << " on "
           << settings.network->networkName() << " (node " << terminalText(session.whereabouts()) << ")";
    if (tcp) io.out << "; DSI on " << tcp->address << ":" << tcp->port;
    io.out << "; Ctrl-C stops" << std::endl;
    while (!stop.waitFor(1000)) {
        if (session.lostNetwork()) {
            // Its name went with the service: a restart (systemd's) registers it again.
            log.say("the AppleTalk node service went away");
            return kExitError;
        }
    }
    log.say("stopping: " + std::to_string(session.sessionCount()) + " sessions hear the server is going down");
    if (!session.stop(kStopLimit)) log.say("some clients did not hear the close in time");
    log.say("stopped");
    return kExitSuccess;
}

} // namespace vidur::cli
