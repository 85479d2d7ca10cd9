// SPDX-License-Identifier: MIT
// A simulated AppleTalk router: one node per port, each on its own link, that a client
// cannot tell from a real router. It broadcasts RTMP Data every 10 s and answers RTMP
// Requests, answers ZIP (over ATP and DDP type 6) from its zone table, turns NBP BrRqs into
// LkUps on the ports whose network has the zone, and forwards datagrams between its ports.
// Everything runs on the thread that polls it.
#pragma once

#include "appletalk/node/Clock.h"
#include "appletalk/node/Node.h"
#include "appletalk/node/link/Link.h"
#include "appletalk/protocols/ddp/Datagram.h"
#include "appletalk/protocols/nbp/NbpName.h"
#include "appletalk/sim/PollGroup.h"
#include "appletalk/sim/ProbeTiming.h"
#include "appletalk/sim/RouterPortConfig.h"
#include "text/UniqueNameList.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace appletalk::sim {

class RouterNbpService;
class RouterZipService;

struct SimRouterCounters {
    std::uint64_t forwarded = 0;
    std::uint64_t droppedNoRoute = 0; // a network no port reaches
    std::uint64_t droppedHopCount = 0; // already 15 routers on its way
    std::uint64_t droppedEcho = 0; // a broadcast for the cable it came from
    std::uint64_t droppedSendFailed = 0; // the port could not send it (no id yet, too long)
    std::uint64_t rtmpDataSent = 0;
};

class SimRouter final : public Pollable {
public:
    static constexpr std::uint8_t kRtmpSocket = 1;
    static constexpr std::uint8_t kNbpSocket = 2;
    static constexpr std::uint8_t kZipSocket = 6;
    static constexpr auto kRtmpInterval = std::chrono::seconds(10);

    // The node id every port asks for first (254, as routers like it).
    explicit SimRouter(const Clock& clock, std::uint8_t preferredNode = 254, std::uint64_t seed = 0);
    ~SimRouter() override;
    SimRouter(const SimRouter&) = delete;
    SimRouter& operator=(const SimRouter&) = delete;

    // A port on `link`, whose node probes for its id as `probes` says (standard unless the
    // link is a wire only simulated nodes share). Throws std::invalid_argument for a port
    // that fails validate() or whose networks overlap another port's. Returns the port's index.
    std::size_t addPort(std::unique_ptr<Link> link, const RouterPortConfig& config,
                        ProbeTiming probes = ProbeTiming::standard());
    // Starts acquiring node ids on every port; RTMP Data begins once a port holds its id.
    void start();
    bool isReady() const;
    // A port gave up: every address it tried on its link was claimed.
    bool acquisitionFailed() const;

    // A name the router itself answers LkUps for (on any port), on `socket` of each port node.
    void registerName(const nbp::NbpName& name, std::uint8_t socket);
    const std::vector<std::pair<nbp::NbpName, std::uint8_t>>& names() const { return names_; }

    std::size_t portCount() const { return ports_.size(); }
    const RouterPortConfig& portConfig(std::size_t port) const { return ports_.at(port)->config; }
    Node& portNode(std::size_t port) { return *ports_.at(port)->node; }
    // The port reaching `network`, if any.
    std::optional<std::size_t> portFor(std::uint16_t network) const;
    // Every zone of the internet, once each (case folded), in port order. Kept as ports are
    // added: a zone-list page is asked for often, and the ports never change afterwards.
    const std::vector<std::string>& zoneList() const { return zones_.names(); }
    // The zone of a LocalTalk port, the default zone of an extended one.
    std::string defaultZone(std::size_t port) const;
    bool portHasZone(std::size_t port, std::string_view zone) const;

    // Sends a datagram of the router's own from `port` (where the request came in): through
    // that port when the destination is there, else through the port that reaches it, with
    // the source address of `port`.
    SendResult sendFrom(std::size_t port, Datagram datagram);
    // Where a reply to `requester` goes: that socket, or the same socket by broadcast when the
    // requester has no network yet (0, or the start-up range 0xFF00..0xFFFE).
    static DdpAddress replyAddress(const DdpAddress& requester);

    const SimRouterCounters& counters() const { return counters_; }

    bool poll() override { return group_.poll(); }
    std::optional<SteadyTime> nextDeadline() const override { return group_.nextDeadline(); }
    int waitHandle() const override { return group_.waitHandle(); }
    void setWakeHandler(std::function<void()> wake) override { group_.setWakeHandler(std::move(wake)); }

private:
    struct Port {
        RouterPortConfig config;
        std::unique_ptr<Link> link; // outlives the node, which detaches from it
        std::unique_ptr<Node> node;
    };

    void openSockets(std::size_t port);
    void forward(std::size_t arrival, Datagram datagram);
    SendResult sendOnPort(std::size_t port, const Datagram& datagram, bool keepSource);
    void sendRtmpData(std::size_t port);
    void answerRtmp(std::size_t port, const Datagram& request);
    std::vector<std::uint8_t> rtmpData(std::size_t port, bool splitHorizon) const;

    const Clock& clock_;
    std::uint8_t preferredNode_;
    std::uint64_t seed_;
    std::vector<std::unique_ptr<Port>> ports_;
    std::vector<std::pair<nbp::NbpName, std::uint8_t>> names_;
    vidur::text::UniqueNameList zones_; // of every port, each once under the NBP case fold
    std::unique_ptr<RouterZipService> zip_;
    std::unique_ptr<RouterNbpService> nbp_;
    PollGroup group_;
    SimRouterCounters counters_;
};

} // namespace appletalk::sim
