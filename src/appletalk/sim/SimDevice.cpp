// SPDX-License-Identifier: MIT
#include "appletalk/sim/SimDevice.h"

#include "appletalk/protocols/nbp/NbpZoneRule.h"
#include "appletalk/protocols/rtmp/RtmpData.h"

namespace appletalk::sim {

namespace {

constexpr std::uint8_t kRtmpDataType = 1;

} // namespace

SimDevice::SimDevice(const Clock& clock, LinkFactory links, DevicePlacement placement)
    : clock_(clock), links_(std::move(links)), placement_(std::move(placement)) {}

SimDevice::~SimDevice() {
    // Subclasses have closed their services in their own destructors (goAway there).
    zip_.reset();
    names_.reset();
    node_.reset();
    link_.reset();
}

void SimDevice::start() {
    if (!node_) join();
}

void SimDevice::join() {
    link_ = links_ ? links_() : nullptr;
    if (!link_) return;
    NodeConfig config;
    // A device placed on a workstation id (a full network) probes there first, and on a
    // conflict looks among workstation ids, as servers do among theirs.
    const bool workstationId = placement_.preferredNode != 0 && placement_.preferredNode < 128;
    config.acquisition.role = workstationId ? NodeRole::Workstation : NodeRole::Server;
    config.acquisition.preferredId = placement_.preferredNode;
    config.acquisition.assigned = placement_.assigned;
    config.acquisition.defends = placement_.defendsId;
    placement_.probes.applyTo(config.acquisition);
    // Each join draws differently, so a device that comes back may land elsewhere.
    config.seed = placement_.seed == 0 ? 0 : placement_.seed + joins_++;
    node_ = std::make_unique<Node>(clock_, *link_, config);
    node_->setThisNet(placement_.network);
    node_->setARouter(placement_.router);
    if (wake_) node_->setWakeHandler(wake_);
    node_->openSocket(kRtmpSocket, [this](const Datagram& d) { learnRouter(d); });
    // A device that was told no zone accepts any, as a LocalTalk node that never asked.
    names_ = std::make_unique<NbpRegistry>(
        *node_, placement_.zone == "*" ? nbp::NbpZoneRule::anyZone() : nbp::NbpZoneRule::myZone(placement_.zone));
    node_->whenReady([this](std::uint8_t) { onReady(); });
    node_->start();
    // Wake the owner: the new node has probes to send.
    if (wake_) wake_();
}

void SimDevice::onReady() {
    socket_ = openServices(*node_);
    servicesOpen_ = socket_ != 0 && names_->registerName(name_, socket_) == NbpRegisterResult::Ok;
    if (node_->isExtended())
        askNetInfo();
    else if (placement_.zone == "*" && node_->aRouter() != 0)
        askMyZone();
}

void SimDevice::askNetInfo() {
    // On EtherTalk, GetNetInfo tells the cable's range (nodes of every network in it are
    // reached directly, not through the router), the zone the device is in (ours, or the
    // cable's default when we were given none) and the zone's multicast address, where a
    // router sends the zone's look-ups.
    zip_ = std::make_unique<ZipClient>(*node_);
    zip_->getNetInfo(placement_.zone == "*" ? std::string() : placement_.zone, [this](ZipStatus status) {
        const auto& info = zip_->netInfo();
        if (status != ZipStatus::Ok || !info) return;
        node_->setCableRange(NetworkRange{info->rangeStart, info->rangeEnd});
        zone_ = info->defaultZone ? *info->defaultZone : info->zone;
        // A node of an extended cable answers for its own zone only.
        if (!zone_.empty()) names_->setZoneRule(nbp::NbpZoneRule::myZone(zone_));
        const auto group = MacAddress::fromBytes(info->multicastAddress);
        if (group && group->isGroup()) node_->joinGroup(*group);
    });
}

// Beside a router on LocalTalk: the cable's one zone, to show where the device is.
void SimDevice::askMyZone() {
    zip_ = std::make_unique<ZipClient>(*node_);
    zip_->getMyZone([this](ZipStatus status) {
        if (status == ZipStatus::Ok && !zip_->zones().empty()) zone_ = zip_->zones().front();
    });
}

void SimDevice::goAway() {
    if (!node_) return;
    if (servicesOpen_) closeServices();
    servicesOpen_ = false;
    socket_ = 0;
    zip_.reset();
    names_.reset();
    node_.reset();
    link_.reset();
}

void SimDevice::comeBack(std::optional<std::uint8_t> node) {
    const std::uint8_t previous = node_ ? node_->nodeId() : 0;
    goAway();
    // An id of its own choosing is the device's to probe for, as any node's.
    if (node && *node != placement_.preferredNode) placement_.assigned = false;
    if (node)
        placement_.preferredNode = *node;
    else if (previous != 0)
        placement_.preferredNode = previous;
    join();
}

DdpAddress SimDevice::entityAddress() const {
    if (!node_ || !servicesOpen_) return {};
    return DdpAddress{node_->thisNet(), node_->nodeId(), socket_};
}

void SimDevice::learnRouter(const Datagram& datagram) {
    // The stub's rule: any RTMP Data tells THIS-NET and A-ROUTER.
    if (datagram.type != kRtmpDataType) return;
    const auto data = rtmp::RtmpData::parse(datagram.data);
    if (!data || data->senderNode == 0) return;
    // On EtherTalk the device's network is its AARP address, not the router's; on an extended
    // cable of LocalTalk frames it is the number it was placed on, any of the cable's range.
    const bool inCableRange = data->cableRange && node_->thisNet() >= data->cableRange->rangeStart &&
                              node_->thisNet() <= data->cableRange->rangeEnd;
    if (!node_->isExtended() && !inCableRange) node_->setThisNet(data->senderNetwork);
    // Every number of the cable is reached without the router.
    if (inCableRange) node_->setCableRange(NetworkRange{data->cableRange->rangeStart, data->cableRange->rangeEnd});
    node_->setARouter(data->senderNode, data->senderNetwork);
}

bool SimDevice::poll() { return node_ ? node_->poll() : false; }

std::optional<SteadyTime> SimDevice::nextDeadline() const { return node_ ? node_->nextDeadline() : std::nullopt; }

int SimDevice::waitHandle() const { return node_ ? node_->waitHandle() : -1; }

void SimDevice::setWakeHandler(std::function<void()> wake) {
    wake_ = std::move(wake);
    if (node_) node_->setWakeHandler(wake_);
}

} // namespace appletalk::sim
