// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/AfpServerConnection.h"

#include "appletalk/afp/client/DsiClientTransport.h"
#include "appletalk/afp/server/auth/Secret.h"
#include "tools/vidur/cli/UsageError.h"
#include "tools/vidur/commands/PasswordPrompt.h"
#include "tools/vidur/output/TerminalText.h"

#include <charconv>
#include <fstream>

#include <unistd.h>

namespace vidur::cli {

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kUrlScheme = "afp://";
// NBP's three look-ups and a busy machine's start.
constexpr auto kNodeStartLimit = 10s;

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

AfpServerAddress AfpServerAddress::parse(std::string_view text) {
    AfpServerAddress server;
    server.port = appletalk::afp::DsiClientTransport::kDefaultPort;
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

std::optional<appletalk::afp::AfpLoginRequest> requestedLogin(const ParsedArguments& arguments,
                                                              const AfpServerAddress& server, CommandIo& io,
                                                              std::string& problem) {
    appletalk::afp::AfpLoginRequest login;
    login.user = arguments.value("user").value_or(server.user);
    login.cleartextAllowed = arguments.has("allow-cleartext");
    if (login.user.empty()) return login;
    auto typed = password(arguments, login.user, io, problem);
    if (!typed) return std::nullopt;
    login.password = std::move(*typed);
    return login;
}

AfpServerConnection::~AfpServerConnection() { close(); }

bool AfpServerConnection::open(const AfpServerAddress& server, appletalk::afp::AfpLoginRequest& login,
                               std::chrono::milliseconds replyLimit, std::string& problem) {
    if (server.overTcp) {
        appletalk::afp::DsiClientTransport::Options options;
        options.replyLimit = replyLimit;
        transport_ = std::make_unique<appletalk::afp::DsiClientTransport>(server.host, server.port, options);
    } else if (appleTalk_.start(kNodeStartLimit, problem)) {
        transport_ = appleTalk_.connect(server.name, server.zone, problem, replyLimit);
    }
    if (!transport_) {
        appletalk::afp::wipe(login.password);
        return false;
    }
    session_ = std::make_unique<appletalk::afp::AfpClientSession>(*transport_);
    const auto info = session_->serverInfo(problem);
    const bool loggedIn = info && session_->login(*info, login, problem);
    appletalk::afp::wipe(login.password);
    if (!loggedIn) session_.reset();
    return loggedIn;
}

void AfpServerConnection::close() {
    if (session_) session_->logout();
    session_.reset();
    transport_.reset();
}

void AfpServerConnection::abandon() {
    session_.reset();
    if (transport_) transport_->close();
    transport_.reset();
}

} // namespace vidur::cli
