// SPDX-License-Identifier: MIT
// A scripted station on LToUDP over loopback (a private port, TTL 0) for end-to-end tests of
// the built `vidur`: its own thread hears every LLAP data frame and hands the datagram to the
// test's script, which answers from any LLAP node it likes. Control frames (ENQ) go unheard,
// so the client takes its address undisturbed.
#pragma once

#include "appletalk/node/ltoudp/LToUdpLink.h"
#include "appletalk/protocols/ddp/DdpCodec.h"
#include "appletalk/protocols/llap/LlapFrame.h"

#include <atomic>
#include <functional>
#include <memory>
#include <poll.h>
#include <thread>

namespace vidur::cli::testing {

class LToUdpPeer {
public:
    // Runs on the peer's thread for each data frame whose DDP header could be read.
    using Script = std::function<void(const appletalk::LlapFrame& frame, const appletalk::Datagram& datagram)>;

    LToUdpPeer(std::uint16_t port, std::uint16_t network, Script script)
        : network_(network), script_(std::move(script)) {
        std::string error;
        link_ = appletalk::LToUdpLink::open({"127.0.0.1", "239.192.76.84", port, 0, 0}, error);
        if (!link_) return;
        link_->attach([this](std::span<const std::uint8_t> bytes) { heard(bytes); }, [] {});
        thread_ = std::thread([this] {
            while (!stop_) {
                pollfd ready{link_->waitHandle(), POLLIN, 0};
                if (::poll(&ready, 1, 50) > 0) link_->poll();
            }
        });
    }
    ~LToUdpPeer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (link_) link_->detach();
    }
    LToUdpPeer(const LToUdpPeer&) = delete;
    LToUdpPeer& operator=(const LToUdpPeer&) = delete;

    bool isOpen() const { return link_ != nullptr; }
    std::uint16_t network() const { return network_; }

    // From the script only: `ddp` (a DDP packet, whole or broken) in an LLAP frame from node
    // `from` to node `to`.
    void sendFrame(std::uint8_t from, std::uint8_t to, std::vector<std::uint8_t> ddp) {
        appletalk::LlapFrame frame{to, from, appletalk::LlapFrame::kShortDdp, std::move(ddp)};
        if (const auto out = frame.serialize()) link_->send(*out);
    }
    // From the script only: `datagram` as a short DDP packet from its source's node.
    void send(const appletalk::Datagram& datagram) {
        if (auto ddp = appletalk::DdpCodec::serializeShort(datagram))
            sendFrame(datagram.source.node, datagram.destination.node, std::move(*ddp));
    }

private:
    void heard(std::span<const std::uint8_t> bytes) {
        using appletalk::LlapFrame;
        const auto frame = LlapFrame::parse(bytes);
        if (!frame || frame->isControl()) return;
        const auto parsed =
            frame->type == LlapFrame::kShortDdp
                ? appletalk::DdpCodec::parseShort(frame->data, {network_, frame->destination, frame->source})
                : appletalk::DdpCodec::parseLong(frame->data);
        if (parsed.datagram) script_(*frame, *parsed.datagram);
    }

    std::uint16_t network_;
    Script script_;
    std::unique_ptr<appletalk::LToUdpLink> link_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace vidur::cli::testing
