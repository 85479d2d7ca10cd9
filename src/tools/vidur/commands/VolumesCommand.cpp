// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/VolumesCommand.h"

#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/commands/AfpServerConnection.h"
#include "tools/vidur/output/TerminalText.h"

namespace vidur::cli {

using namespace std::chrono_literals;

// A server that says nothing for this long is given up.
constexpr auto kReplyLimit = 30s;

std::string VolumesCommand::details() const {
    return "SERVER is NAME@ZONE, an AppleShare server found by name on AppleTalk (ZONE defaults to\n"
           "\"*\", this node's zone), or afp://[USER@]HOST[:PORT] for one on TCP (port 548 by\n"
           "default). Without a user the login is as a guest. A named user's password is read from\n"
           "the first line of FILE or asked on the terminal with echo off; the strongest login both\n"
           "sides know is used, a cleartext one only with --allow-cleartext. A volume with a\n"
           "password of its own is shown with \"(password)\". Exit status 2 with the server's reason\n"
           "when the list cannot be had.\n";
}

std::vector<OptionSpec> VolumesCommand::options() const {
    return {{"user", "USER", "log in as USER (default: as a guest)"},
            {"password-file", "FILE", "read the password from FILE's first line"},
            {"allow-cleartext", {}, "send the password readable on the wire if the server takes no other"}};
}

int VolumesCommand::run(const ParsedArguments& arguments, CommandIo& io) {
    const AfpServerAddress server = AfpServerAddress::parse(arguments.positionals().front());
    auto fail = [&io](const std::string& reason) {
        io.err << "vidur volumes: " << escapeControls(reason) << std::endl;
        return kExitError;
    };
    std::string problem;
    auto login = requestedLogin(arguments, server, io, problem);
    if (!login) return fail(problem);
    AfpServerConnection connection;
    if (!connection.open(server, *login, kReplyLimit, problem)) return fail(problem);
    const auto volumes = connection.session().volumes(problem);
    connection.close();
    if (!volumes) return fail(problem);
    for (const auto& volume : *volumes)
        io.out << escapeControls(volume.name) << (volume.hasPassword ? " (password)" : "") << "\n";
    return kExitSuccess;
}

} // namespace vidur::cli
