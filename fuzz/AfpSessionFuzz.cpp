// SPDX-License-Identifier: MIT
// Command blocks from a hostile client to a logged-in AFP session over a temporary folder.
// The input is a run of commands, each a length byte and that many bytes; a Write's data is
// what follows its 12-byte block. Every command gets an AFP result and a reply within the
// transport's bound, and the folder around the share is never touched.
#include "appletalk/afp/server/AfpServer.h"
#include "appletalk/protocols/afp/AfpCommand.h"
#include "appletalk/protocols/afp/AfpRequest.h"
#include "appletalk/protocols/afp/AfpResult.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace appletalk::afp;

constexpr std::size_t kMaxReply = 1024;
constexpr std::size_t kWriteBlock = 12;

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "afp_session: %s\n", what);
    std::abort();
}

// A base folder holding the share and, beside it, a file no client may reach; removed at exit.
class Folder {
public:
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "vidur-afp-fuzz-XXXXXX").string();
        require(::mkdtemp(pattern.data()) != nullptr, "no temporary folder");
        base = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(base, ignored);
    }
    void reset() const {
        std::error_code ignored;
        fs::remove_all(share(), ignored);
        fs::remove_all(base / "state", ignored);
        fs::create_directory(share());
        fs::create_directory(share() / "Folder");
        std::ofstream(share() / "File") << "data";
        std::ofstream(base / "outside") << "secret";
        fs::create_directory_symlink(base, share() / "Link");
    }
    fs::path share() const { return base / "share"; }
    fs::path base;
};

std::vector<std::uint8_t> block(AfpCommand command, AfpBlock fields) {
    return AfpRequest{command, std::move(fields)}.serialize();
}

void logIn(AfpSession& session) {
    AfpBlock login;
    login.texts = {"AFP2.2", "No User Authent"};
    require(session.command(block(AfpCommand::Login, login)).result == 0, "guest login refused");
    AfpBlock openVol;
    openVol.set(AfpField::Bitmap, 1u << 5);
    openVol.texts = {"Files"};
    require(session.command(block(AfpCommand::OpenVol, openVol)).result == 0, "volume not opened");
}

void check(const AfpAnswer& answer) {
    require(answer.reply.size() <= kMaxReply, "a reply over the transport's bound");
    require(answer.result == 0 || (answer.result <= static_cast<std::int32_t>(AfpResult::AccessDenied) &&
                                   answer.result >= static_cast<std::int32_t>(AfpResult::InsideTrashErr)),
            "a result AFP does not define");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Folder folder;
    folder.reset();
    AfpServerConfig config;
    config.serverName = "Fuzz";
    config.volumes = {{"Files", folder.share(), false, "", folder.base / "state"}};
    std::string problem;
    auto server = AfpServer::create(config, problem);
    require(server != nullptr, "server not created");
    auto session = server->openSession({AfpSessionTransport::Dsi, kMaxReply, "fuzz"});
    logIn(*session);
    std::span<const std::uint8_t> rest(data, size);
    while (!rest.empty() && !session->loggedOut()) {
        const std::size_t length = std::min<std::size_t>(rest[0], rest.size() - 1);
        const auto command = rest.subspan(1, length);
        rest = rest.subspan(1 + length);
        const bool isWrite = !command.empty() && command[0] == static_cast<std::uint8_t>(AfpCommand::Write);
        if (isWrite && command.size() > kWriteBlock)
            check(session->write(command.first(kWriteBlock), command.subspan(kWriteBlock)));
        else
            check(session->command(command));
    }
    std::ifstream outside(folder.base / "outside");
    std::string secret;
    outside >> secret;
    require(secret == "secret", "the file outside the share changed");
    return 0;
}
