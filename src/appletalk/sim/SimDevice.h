// SPDX-License-Identifier: MIT
// What every simulated device shares: a node of its own on a link, names it answers NBP
// LkUps for, THIS-NET and A-ROUTER kept from the router's RTMP broadcasts, and the ability to
// go away (leave the wire) and come back, possibly at another node id. Subclasses open their
// service sockets each time the node comes up.
#pragma once

#include "appletalk/node/Clock.h"
#include "appletalk/node/Node.h"
#include "appletalk/node/link/Link.h"
#include "appletalk/protocols/nbp/NbpName.h"
#include "appletalk/services/nbp/NbpRegistry.h"
#include "appletalk/services/zip/ZipClient.h"
#include "appletalk/sim/ProbeTiming.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace appletalk::sim {

using LinkFactory = std::function<std::unique_ptr<Link>()>;

struct DevicePlacement {
    // THIS-NET until RTMP says otherwise; on an extended cable any number of its range, kept.
    std::uint16_t network = 0;
    std::uint8_t router = 0; // A-ROUTER until RTMP says otherwise; 0: none
    std::uint8_t preferredNode = 0; // in 128..254, or any id when assigned; 0: any server id
    std::string zone = "*"; // Mac OS Roman; the zone LkUps must name (or "*")
    std::uint64_t seed = 0;
    ProbeTiming probes; // standard unless only simulated nodes share the link
    // The simulator gave this device preferredNode alone on a wire only its nodes and clients
    // share: the node takes it without probing (see AcquisitionSettings::assigned).
    bool assigned = false;
    bool defendsId = true; // see AcquisitionSettings::defends
};

class SimDevice : public Pollable {
public:
    static constexpr std::uint8_t kRtmpSocket = 1;
    static constexpr std::uint8_t kNbpSocket = 2;

    SimDevice(const Clock& clock, LinkFactory links, DevicePlacement placement);
    ~SimDevice() override;
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    // Joins the wire and starts acquiring a node id; services open once it is held.
    void start();
    // Leaves the wire at once: no more answers, not even to lapENQ.
    void goAway();
    // Joins again, asking first for `node` when given (a new address) or the old id.
    void comeBack(std::optional<std::uint8_t> node = std::nullopt);
    bool isPresent() const { return node_ != nullptr; }
    // Its services open, and on EtherTalk the cable's range and its zone's multicast address
    // asked for (learnt, or no router answered).
    bool isReady() const { return node_ && node_->isReady() && servicesOpen_ && !(zip_ && zip_->isRunning()); }
    // Every address its node tried was claimed: it will never be ready.
    bool acquisitionFailed() const { return node_ && node_->acquisitionFailed(); }

    // The address NBP hands out for the device's names; node 0 while away.
    DdpAddress entityAddress() const;
    const nbp::NbpName& name() const { return name_; }
    const DevicePlacement& placement() const { return placement_; }
    // The zone the device is in: the one the cable's router gave it, else its placement's
    // ("*" when it has none).
    const std::string& zone() const { return zone_.empty() ? placement_.zone : zone_; }
    Node* node() { return node_.get(); }

    bool poll() override;
    std::optional<SteadyTime> nextDeadline() const override;
    int waitHandle() const override;
    void setWakeHandler(std::function<void()> wake) override;

protected:
    // The registered name (object and type; the zone is "*") and its socket, set by a subclass
    // in its constructor and openServices.
    void setName(nbp::NbpName name) { name_ = std::move(name); }
    // Opens the service sockets on a node that holds its id; returns the entity's socket.
    virtual std::uint8_t openServices(Node& node) = 0;
    // Drops whatever refers to the node, just before it goes.
    virtual void closeServices() = 0;
    const Clock& clock() const { return clock_; }

private:
    void join();
    void onReady();
    void learnRouter(const Datagram& datagram);
    void askNetInfo();
    void askMyZone();

    const Clock& clock_;
    LinkFactory links_;
    DevicePlacement placement_;
    nbp::NbpName name_;
    std::unique_ptr<Link> link_; // outlives the node, which detaches from it
    std::unique_ptr<Node> node_;
    std::unique_ptr<NbpRegistry> names_; // before the node goes, it goes
    std::unique_ptr<ZipClient> zip_; // so does this
    std::string zone_; // as the router told it; empty until then
    std::uint8_t socket_ = 0;
    bool servicesOpen_ = false;
    std::uint64_t joins_ = 0;
    std::function<void()> wake_;
};

} // namespace appletalk::sim
