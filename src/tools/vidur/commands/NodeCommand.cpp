// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/NodeCommand.h"

#include "appletalk/nodeservice/NodeServiceSession.h"
#include "appletalk/nodeservice/ServiceSocket.h"
#include "appletalk/runtime/NodeServicePaths.h"
#include "appletalk/runtime/ServerSettings.h"
#include "text/MacRoman.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/cli/StopSignal.h"
#include "tools/vidur/output/TerminalText.h"

#include <chrono>
#include <mutex>
#include <unistd.h>

namespace vidur::cli {

namespace {

using namespace std::chrono_literals;
using appletalk::runtime::NodeServicePaths;
using appletalk::runtime::ServerSettings;

constexpr auto kStartLimit = 30s;

// The service's lines come from the stack's thread, the command's from its own.
class NodeLog {
public:
    explicit NodeLog(CommandIo& io) : io_(io) {}
    void say(const std::string& utf8) {
        std::lock_guard lock(mutex_);
        io_.err << "vidur node: " << escapeControls(utf8) << std::endl;
    }
    // A line made of names from the network or the programs, in Mac OS Roman.
    void sayMacRoman(const std::string& line) {
        std::lock_guard lock(mutex_);
        io_.err << "vidur node: " << terminalText(line) << std::endl;
    }

private:
    CommandIo& io_;
    std::mutex mutex_;
};

struct Listening {
    int fd = -1;
    std::string path; // where; empty for systemd's socket
    std::string problem;
};

Listening listen(const ParsedArguments& arguments) {
    Listening listening;
    listening.fd = appletalk::nodeservice::ServiceSocket::fromSystemd(listening.problem);
    if (listening.fd >= 0 || !listening.problem.empty()) return listening;
    const bool system = ServerSettings::startedByService() || ::geteuid() == 0;
    const auto chosen = arguments.value("socket");
    listening.path = chosen ? *chosen : NodeServicePaths::serviceDefault(system, listening.problem);
    if (listening.path.empty()) return listening;
    listening.fd = appletalk::nodeservice::ServiceSocket::listenAt(listening.path, system, listening.problem);
    return listening;
}

} // namespace

std::string NodeCommand::details() const {
    return "Programs of this host (every vidur command, the windows, the CUPS backend, vidur serve) then\n"
           "use this node instead of starting one each: one address, kept, and answers in the protocol's\n"
           "own time. The socket is /run/vidur20/node for the system service (root, or systemd), else\n"
           "$XDG_RUNTIME_DIR/vidur20/node; programs look at VIDUR_NODE_SOCKET first (none: never).\n"
           "The network comes from the settings as for vidur serve (never the simulated one unless\n"
           "named). Prints one line when ready; runs until Ctrl-C or SIGTERM. Exit status 2 for bad\n"
           "usage, no network, no free address, or a socket already served.\n";
}

std::vector<OptionSpec> NodeCommand::options() const { return {{"socket", "PATH", "the Unix socket to serve on"}}; }

int NodeCommand::run(const ParsedArguments& arguments, CommandIo& io) {
    const ServerSettings settings = ServerSettings::load();
    NodeLog log(io);
    if (!settings.settings) {
        log.say(settings.problem + "; name one in [Network] or with --network");
        return kExitError;
    }
    const StopSignal stop;
    Listening listening = listen(arguments);
    if (listening.fd < 0) {
        log.say(listening.problem);
        return kExitError;
    }
    if (!listening.problem.empty()) log.say(listening.problem); // a warning: it listens
    appletalk::nodeservice::NodeServiceSession session(*settings.settings);
    if (!session.isOnline()) {
        log.say(session.problem());
        ::close(listening.fd);
        return kExitError;
    }
    if (!session.awaitStart(kStartLimit)) {
        log.say(session.startProblem());
        ::close(listening.fd);
        return kExitError;
    }
    session.serve(listening.fd, {}, [&log](const std::string& line) { log.sayMacRoman(line); });
    const std::string where = listening.path.empty() ? std::string("the socket systemd passed") : listening.path;
    io.out << "node " << terminalText(session.whereabouts()) << " on " << settings.settings->networkName()
           << ", serving " << escapeControls(where) << std::endl;
    while (!stop.waitFor(1000)) {}
    log.say("stopping: " + std::to_string(session.programs()) + " programs lose the node");
    if (!listening.path.empty()) ::unlink(listening.path.c_str());
    return kExitSuccess;
}

} // namespace vidur::cli
