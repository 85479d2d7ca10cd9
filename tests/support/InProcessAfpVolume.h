// SPDX-License-Identifier: MIT
// A volume of a real AFP server session over a temporary folder, reached by the client
// through a transport that hands each call to the session in the same thread, with ASP's
// transfer limit so every multi-call path is taken. `failing` makes the transport deliver
// nothing, as a server gone would.
#pragma once

#include "appletalk/afp/client/AfpClientSession.h"
#include "appletalk/afp/client/AfpTransport.h"
#include "appletalk/afp/client/AfpVolumeClient.h"
#include "appletalk/afp/server/AfpServer.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace vidur::testing {

constexpr std::size_t kAspLimit = 4624;

class InProcessTransport final : public appletalk::afp::AfpTransport {
public:
    explicit InProcessTransport(appletalk::afp::AfpServer& server)
        : session_(server.openSession({appletalk::afp::AfpSessionTransport::Asp, kAspLimit, "test"})) {}

    std::optional<std::vector<std::uint8_t>> status(std::string&) override { return std::nullopt; }
    bool open(std::string&) override { return true; }
    appletalk::afp::AfpCallResult call(std::span<const std::uint8_t> command) override {
        return answer(session_->command(command));
    }
    appletalk::afp::AfpCallResult write(std::span<const std::uint8_t> command,
                                        std::span<const std::uint8_t> data) override {
        // A write over the limit would not fit the session layer: the client must split it.
        if (data.size() > kAspLimit) return {false, 0, {}, "write over the limit"};
        return answer(session_->write(command, data));
    }
    std::size_t transferLimit() const override { return kAspLimit; }
    bool keepAlive(std::string&) override { return !failing; }
    void setAttentionHandler(AttentionHandler) override {}
    void close() override {}

    bool failing = false;
    int calls = 0;

private:
    appletalk::afp::AfpCallResult answer(appletalk::afp::AfpAnswer answered) {
        ++calls;
        if (failing) return {false, 0, {}, "the connection to the server is lost"};
        return {true, answered.result, std::move(answered.reply), {}};
    }

    std::unique_ptr<appletalk::afp::AfpSession> session_;
};

// The volume "Files" on `share()`, opened by a guest; throws when it cannot be had.
class InProcessVolume {
public:
    InProcessVolume() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vidur-afpclient-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
        base_ = pattern;
        std::filesystem::create_directory(share());
        appletalk::afp::AfpServerConfig config;
        config.serverName = "Test Server";
        config.volumes = {{"Files", share(), false, "", base_ / "state"}};
        std::string problem;
        server_ = appletalk::afp::AfpServer::create(std::move(config), problem);
        if (!server_) throw std::runtime_error(problem);
        transport = std::make_unique<InProcessTransport>(*server_);
        appletalk::afp::AfpServerInfo info;
        info.afpVersions = {"AFP2.2"};
        info.uams = {"No User Authent"};
        session = std::make_unique<appletalk::afp::AfpClientSession>(*transport);
        if (!session->login(info, {}, problem)) throw std::runtime_error(problem);
        volume = appletalk::afp::AfpVolumeClient::open(*transport, "Files", "", problem);
        if (!volume) throw std::runtime_error(problem);
    }
    ~InProcessVolume() {
        volume.reset();
        session.reset();
        transport.reset();
        server_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(base_, ignored);
    }
    InProcessVolume(const InProcessVolume&) = delete;
    InProcessVolume& operator=(const InProcessVolume&) = delete;

    std::filesystem::path share() const { return base_ / "share"; }

    std::unique_ptr<InProcessTransport> transport;
    std::unique_ptr<appletalk::afp::AfpClientSession> session;
    std::unique_ptr<appletalk::afp::AfpVolumeClient> volume;

private:
    std::filesystem::path base_;
    std::unique_ptr<appletalk::afp::AfpServer> server_;
};

} // namespace vidur::testing
