// SPDX-License-Identifier: MIT
#include "tools/vidur/cli/CommandRegistry.h"

#include "tools/vidur/cli/CommandLine.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/cli/NetworkChoice.h"
#include "tools/vidur/cli/UsageError.h"
#include "tools/vidur/cli/Version.h"

#include <algorithm>
#include <sstream>

namespace vidur::cli {

void CommandRegistry::add(std::unique_ptr<Command> command) {
    for (auto& existing : commands_) {
        if (existing->name() == command->name()) {
            existing = std::move(command);
            return;
        }
    }
    commands_.push_back(std::move(command));
}

Command* CommandRegistry::find(const std::string& name) const {
    for (const auto& command : commands_) {
        if (command->name() == name) return command.get();
    }
    return nullptr;
}

std::vector<const Command*> CommandRegistry::commands() const {
    std::vector<const Command*> all;
    for (const auto& command : commands_) all.push_back(command.get());
    return all;
}

std::string CommandRegistry::overview() const {
    std::ostringstream text;
    text << "usage: vidur [--network NETWORK] COMMAND [ARGUMENTS] [--help]\n"
            "       vidur --version\n\ncommands:\n";
    std::size_t width = 0;
    for (const auto& command : commands_) width = std::max(width, command->name().size());
    for (const auto& command : commands_)
        text << "  " << command->name() << std::string(width - command->name().size() + 2, ' ') << command->summary()
             << "\n";
    text << "\nNETWORK is sim[:SCENARIO] (the simulated network; the built-in one without SCENARIO),\n"
            "ltoudp[:INTERFACE-ADDRESS] (LocalTalk over UDP) or ethertalk:INTERFACE (EtherTalk on an\n"
            "Ethernet interface; needs CAP_NET_RAW); without --network the settings in\n"
            "AppleTalk.INI and VIDUR_NETWORK choose. 'vidur COMMAND --help' tells more.\n"
            "Exit status: 0 success, 1 nothing found, 2 bad usage, a mistake in the settings or a\n"
            "network error, 3 (lookup) frames were lost, so the answer may be incomplete.\n";
    return text.str();
}

namespace {

// `vidur --network X zones` as users type it: the leading --network options, which then go to
// the command as if written after its name (before its own arguments, so one written there
// still wins).
std::vector<std::string> leadingNetworkOptions(const std::vector<std::string>& arguments) {
    std::vector<std::string> options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i].rfind("--network=", 0) == 0) {
            options.push_back(arguments[i]);
        } else if (arguments[i] == "--network") {
            if (i + 1 == arguments.size()) throw UsageError("option '--network' needs a value (NETWORK)");
            options.insert(options.end(), {arguments[i], arguments[i + 1]});
            ++i;
        } else {
            break;
        }
    }
    return options;
}

} // namespace

int CommandRegistry::runNetworkFirst(const std::vector<std::string>& arguments, CommandIo& io) const {
    std::vector<std::string> network;
    try {
        network = leadingNetworkOptions(arguments);
    } catch (const UsageError& error) {
        io.err << "vidur: " << error.what() << "\n";
        return kExitError;
    }
    if (network.size() == arguments.size()) {
        io.err << "vidur: --network comes with a command (see 'vidur --help')\n";
        return kExitError;
    }
    std::vector<std::string> moved(arguments.begin() + static_cast<std::ptrdiff_t>(network.size()), arguments.end());
    moved.insert(moved.begin() + 1, network.begin(), network.end());
    return run(moved, io);
}

int CommandRegistry::run(const std::vector<std::string>& arguments, CommandIo& io) const {
    if (!arguments.empty() && (arguments.front() == "--network" || arguments.front().rfind("--network=", 0) == 0))
        return runNetworkFirst(arguments, io);
    if (arguments.empty()) {
        io.err << overview();
        return kExitError;
    }
    const std::string& first = arguments.front();
    if (first == "--version") {
        io.out << "vidur " << kVersion << "\n";
        return kExitSuccess;
    }
    if (first == "--help" || first == "-h" || first == "help") {
        if (first == "help" && arguments.size() > 1) {
            if (const Command* command = find(arguments[1])) {
                io.out << command->helpText();
                return kExitSuccess;
            }
        }
        io.out << overview();
        return kExitSuccess;
    }
    Command* command = find(first);
    if (command == nullptr) {
        io.err << "vidur: unknown command '" << first << "' (see 'vidur --help')\n";
        return kExitError;
    }
    return runCommand(*command, {arguments.begin() + 1, arguments.end()}, io);
}

int CommandRegistry::runCommand(Command& command, const std::vector<std::string>& arguments, CommandIo& io) const {
    const std::string prefix = "vidur " + command.name() + ": ";
    if (CommandLine::asksForHelp(arguments)) {
        io.out << command.helpText();
        return kExitSuccess;
    }
    try {
        const ParsedArguments parsed = CommandLine::parse(command.allOptions(), arguments);
        const std::size_t count = parsed.positionals().size();
        if (count < command.minPositionals()) throw UsageError("missing argument; " + command.usageLine());
        if (count > command.maxPositionals())
            throw UsageError("unexpected argument '" + parsed.positionals()[command.maxPositionals()] + "'; " +
                             command.usageLine());
        if (const auto network = parsed.value("network")) NetworkChoice::parse(*network).apply();
        if (settingsCheck_ && command.readsLibrarySettings()) {
            if (const auto problem = settingsCheck_()) {
                io.err << prefix << *problem << "\n";
                return kExitError;
            }
        }
        return command.run(parsed, io);
    } catch (const UsageError& error) {
        io.err << prefix << error.what() << "\n";
        return kExitError;
    }
}

} // namespace vidur::cli
