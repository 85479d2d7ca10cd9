// SPDX-License-Identifier: MIT
// What `vidur volumes` and `vidur mount` share on the way into an AppleShare server: SERVER
// as the user writes it (NAME@ZONE on AppleTalk, afp://[USER@]HOST[:PORT] on TCP), the
// login asked for (the password from a file or the terminal, never the command line), and
// the connection itself: the transport to the server and a logged-in session on it.
#pragma once

#include "appletalk/afp/client/AfpClientSession.h"
#include "appletalk/afp/client/AppleTalkClientStack.h"
#include "tools/vidur/cli/CommandIo.h"
#include "tools/vidur/cli/ParsedArguments.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vidur::cli {

struct AfpServerAddress {
    bool overTcp = false;
    std::string host; // TCP
    std::uint16_t port = 548;
    std::string name, zone = "*"; // AppleTalk, UTF-8
    std::string user; // from the URL

    // afp://[USER@]HOST[:PORT][/], HOST possibly an IPv6 address in brackets; or NAME[@ZONE].
    // A UsageError for a text that is neither.
    static AfpServerAddress parse(std::string_view text);
};

// The login --user (or the URL's user) asks for, its password read from --password-file or
// the terminal; nothing, with the reason, when no password could be had.
std::optional<appletalk::afp::AfpLoginRequest> requestedLogin(const ParsedArguments& arguments,
                                                              const AfpServerAddress& server, CommandIo& io,
                                                              std::string& problem);

class AfpServerConnection {
public:
    AfpServerConnection() = default;
    ~AfpServerConnection();
    AfpServerConnection(const AfpServerConnection&) = delete;
    AfpServerConnection& operator=(const AfpServerConnection&) = delete;

    // Reaches the server and logs in, every wait bounded by `replyLimit`; the password is
    // wiped from `login` either way. False with the reason in words.
    bool open(const AfpServerAddress& server, appletalk::afp::AfpLoginRequest& login,
              std::chrono::milliseconds replyLimit, std::string& problem);

    appletalk::afp::AfpTransport& transport() { return *transport_; }
    appletalk::afp::AfpClientSession& session() { return *session_; }
    // Logout and the transport closed; the destructor does it too.
    void close();
    // The transport closed without a Logout, for a server already gone: no wait for it.
    void abandon();

private:
    appletalk::afp::AppleTalkClientStack appleTalk_; // outlives the transport on it
    std::unique_ptr<appletalk::afp::AfpTransport> transport_;
    std::unique_ptr<appletalk::afp::AfpClientSession> session_;
};

} // namespace vidur::cli
