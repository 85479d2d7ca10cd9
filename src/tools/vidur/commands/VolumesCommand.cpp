// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/VolumesCommand.h"

#include "appletalk/afp/client/AfpClientSession.h"
#include "appletalk/afp/client/AppleTalkClientStack.h"
#include "appletalk/afp/client/DsiClientTransport.h"
#include "appletalk/afp/server/auth/Secret.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/cli/UsageError.h"
#include "tools/vidur/commands/PasswordPrompt.h"
#include "tools/vidur/output/TerminalText.h"

#include <charconv>
#include <fstream>

#include <unistd.h>

namespace vidur::cli {

namespace {

using namespace std::chrono_literals;
using appletalk::afp::AfpTransport;

constexpr std::string_view kUrlScheme = "afp://";

struct ServerAddress {
    bool overTcp = false;
    std::string host; // TCP
    std::uint16_t port = appletalk::afp::DsiClientTransport::kDefaultPort;
    std::string name, zone = "*"; // AppleTalk, UTF-8
    std::string user; // from the URL
};

// afp://[USER@]HOST[:PORT][/], HOST possibly an IPv6 address in brackets; or NAME[@ZONE].
ServerAddress parseServer(std::string_view text) {
    ServerAddress server;
    if (!text.starts_with(kUrlScheme)) {
        const auto at = text.rfind('@');
        server.name = std::string(text.substr(0, at));
        if (at != std::string_view::npos && at + 1 < text.size()) server.zone = std::string(text.substr(at + 1));
        if (server.name.empty()) throw UsageError("SERVER needs a name: NAME@ZONE or afp://HOST");
        return server;
    }
    server.overTcp = true;
    std::string_view rest = text.substr(kUrlScheme.size());
    if (rest.ends_with('/')) rest.remove_suffix(1);
    if (const auto at = rest.rfind('@'); at != std::string_view::npos) {
        server.user = std::string(rest.substr(0, at));
        rest.remove_prefix(at + 1);
    }
    const auto bracket = rest.starts_with('[') ? rest.find(']') : std::string_view::npos;
    const auto colon = rest.find(':', bracket == std::string_view::npos ? 0 : bracket);
    server.host = std::string(rest.substr(0, colon));
    if (bracket != std::string_view::npos) server.host = std::string(rest.substr(1, bracket - 1));
    if (colon != std::string_view::npos) {
        const std::string_view port = rest.substr(colon + 1);
        const auto parsed = std::from_chars(port.data(), port.data() + port.size(), server.port);
        if (parsed.ec != std::errc() || parsed.ptr != port.data() + port.size() || server.port == 0)
            throw UsageError("the port in " + std::string(text) + " is not a port number");
    }
    if (server.host.empty()) throw UsageError("SERVER needs a host: afp://HOST");
    return server;
}

std::optional<std::string> readPasswordFile(const std::string& file, std::string& problem) {
    std::ifstream in(file, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) {
        problem = "cannot read a password from " + file;
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::optional<std::string> password(const ParsedArguments& arguments, const std::string& user, CommandIo& io,
                                    std::string& problem) {
    if (const auto file = arguments.value("password-file")) return readPasswordFile(*file, problem);
    if (::isatty(STDIN_FILENO) == 0) {
        problem = "no password: give --password-file FILE, or run on a terminal";
        return std::nullopt;
    }
    auto typed = askWithoutEcho("Password for " + escapeControls(user) + ": ", io);
    if (!typed) problem = "no password given";
    return typed;
}

} // namespace

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
    const ServerAddress server = parseServer(arguments.positionals().front());
    auto fail = [&io](const std::string& reason) {
        io.err << "vidur volumes: " << escapeControls(reason) << std::endl;
        return kExitError;
    };
    appletalk::afp::AfpLoginRequest login;
    login.user = arguments.value("user").value_or(server.user);
    login.cleartextAllowed = arguments.has("allow-cleartext");
    std::string problem;
    if (!login.user.empty()) {
        auto typed = password(arguments, login.user, io, problem);
        if (!typed) return fail(problem);
        login.password = std::move(*typed);
    }
    appletalk::afp::AppleTalkClientStack appleTalk; // outlives the transport on it
    std::unique_ptr<AfpTransport> transport;
    if (server.overTcp) {
        transport = std::make_unique<appletalk::afp::DsiClientTransport>(server.host, server.port);
    } else {
        if (!appleTalk.start(10s, problem)) return fail(problem);
        transport = appleTalk.connect(server.name, server.zone, problem);
        if (!transport) return fail(problem);
    }
    appletalk::afp::AfpClientSession session(*transport);
    const auto info = session.serverInfo(problem);
    const bool loggedIn = info && session.login(*info, login, problem);
    appletalk::afp::wipe(login.password);
    if (!loggedIn) return fail(problem);
    const auto volumes = session.volumes(problem);
    session.logout();
    if (!volumes) return fail(problem);
    for (const auto& volume : *volumes)
        io.out << escapeControls(volume.name) << (volume.hasPassword ? " (password)" : "") << "\n";
    return kExitSuccess;
}

} // namespace vidur::cli
