// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/ServeCommand.h"

#include "appletalk/serve/ServeSession.h"
#include "appletalk/serve/ServeSettings.h"
#include "text/MacRoman.h"
#include "tools/serve/QueueFollower.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/cli/StopSignal.h"
#include "tools/vidur/cli/UsageError.h"
#include "tools/vidur/commands/ServeLogWriter.h"
#include "tools/vidur/output/TerminalText.h"

#include <chrono>

namespace vidur::cli {

namespace {

using namespace std::chrono_literals;
using appletalk::serve::QueueChoice;

// How often CUPS is asked for its queues and their state.
constexpr int kRefreshMs = 3000;
constexpr auto kStartLimit = 30s;
constexpr auto kStopLimit = 10s;

std::string checkedType(const std::string& type) {
    const auto converted = vidur::text::utf8ToMacRoman(type);
    if (type.empty() || converted.macRoman.size() > 32 || !converted.lossless ||
        converted.macRoman.find_first_of("=:@\xC5") != std::string::npos)
        throw UsageError("--type: '" + type + "' is not an NBP type (1 to 32 characters, no = : @ or wildcard)");
    return type;
}

} // namespace

std::string ServeCommand::details() const {
    return "Each QUEUE (a CUPS queue) is published as NAME:TYPE@ZONE in this node's zone; NAME defaults\n"
           "to the queue's description or name, TYPE to LaserWriter. Without QUEUE every shared queue\n"
           "of the CUPS server is published, and queues are followed as they are added and removed.\n"
           "The [Serve] section of AppleTalk.INI may name the network, the queues and the default user\n"
           "of jobs that name none; without a network there (or --network) nothing is served. Runs\n"
           "until Ctrl-C or SIGTERM, which unregisters the names and closes the connections (exit 0).\n"
           "Exit status 2 for bad usage, no network, or the AppleTalk node service it used going away.\n";
}

std::vector<OptionSpec> ServeCommand::options() const {
    return {{"type", "TYPE", "the NBP type the queues are published as (default LaserWriter)"}};
}

int ServeCommand::run(const ParsedArguments& arguments, CommandIo& io) {
    auto settings = appletalk::serve::ServeSettings::load();
    std::vector<QueueChoice> queues;
    for (const std::string& argument : arguments.positionals()) {
        QueueChoice choice = QueueChoice::parse(argument);
        if (choice.queue.empty()) throw UsageError("'" + argument + "' names no queue; QUEUE or QUEUE=NAME");
        queues.push_back(std::move(choice));
    }
    if (!queues.empty()) settings.queues = std::move(queues);
    const std::string type = checkedType(arguments.value("type").value_or(settings.type));
    for (const std::string& problem : settings.problems)
        io.err << "vidur serve: setting ignored: " << escapeControls(problem) << "\n";
    if (!settings.network) {
        io.err << "vidur serve: " << escapeControls(settings.problem)
               << "; name one with Network= in [Serve] or with --network\n";
        return kExitError;
    }

    const StopSignal stop;
    ServeLogWriter log(io);
    appletalk::serve::ServeSession session(*settings.network, settings.limits, log);
    if (!session.isOnline()) {
        io.err << "vidur serve: " << escapeControls(session.problem()) << "\n";
        return kExitError;
    }
    if (!session.awaitStart(kStartLimit)) {
        io.err << "vidur serve: the AppleTalk node did not start\n";
        return kExitError;
    }
    log.say("serving on " + vidur::text::macRomanToUtf8(session.whereabouts()) + " for CUPS at " +
            vidur::serve::CupsConnection::serverName() + " (settings from " + settings.source + "); Ctrl-C stops");
    vidur::serve::JobWorkers workers; // after the session: joined before it goes
    vidur::serve::FollowerSettings follow{settings.queues,
                                          [&settings](const std::string& queue) { return settings.nameFor(queue); },
                                          type, settings.defaultUser, [] { return StopSignal::requested(); }};
    vidur::serve::QueueFollower follower(session, std::move(follow), workers,
                                         [&log](const std::string& line) { log.say(line); });
    do {
        follower.refresh();
        if (session.lostNetwork()) {
            // Its names went with the service: a restart (systemd's) publishes them again.
            log.say("the AppleTalk node service went away");
            workers.joinAll();
            return kExitError;
        }
    } while (!stop.waitFor(kRefreshMs));
    log.say("stopping: the names go and the connections close");
    if (!session.stop(kStopLimit)) log.say("some workstations did not answer the close in time");
    workers.joinAll();
    log.say("stopped");
    return kExitSuccess;
}

} // namespace vidur::cli
