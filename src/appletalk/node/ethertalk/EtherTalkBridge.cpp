// SPDX-License-Identifier: MIT
#include "appletalk/node/ethertalk/EtherTalkBridge.h"

namespace appletalk {

EtherTalkBridge::EtherTalkBridge(const Clock& clock, std::unique_ptr<EtherTalkLink> link)
    : link_(std::move(link)), groups_(std::make_shared<Groups>()), wire_(clock), port_(wire_.connect()) {
    groups_->link = link_.get();
    port_->attach([this](std::span<const std::uint8_t> frame) { link_->send(frame); }, [] {});
    link_->attach([this](std::span<const std::uint8_t> frame) { port_->send(frame); }, [] {});
}

EtherTalkBridge::~EtherTalkBridge() {
    groups_->link = nullptr;
    link_->detach();
    port_->detach();
}

std::unique_ptr<MemoryWireLink> EtherTalkBridge::connect() {
    auto station = wire_.connect();
    if (const auto hardware = link_->hardwareAddress()) station->setHardwareAddress(*hardware);
    station->setGroupHandler([groups = std::weak_ptr<Groups>(groups_)](const MacAddress& group, bool join) {
        const auto held = groups.lock();
        return held && held->change(group, join);
    });
    return station;
}

bool EtherTalkBridge::Groups::change(const MacAddress& group, bool join) {
    if (link == nullptr) return false;
    if (join) {
        // The interface joins once, for its first listener.
        if (listeners.count(group) == 0 && !link->joinGroup(group)) return false;
        ++listeners[group];
        return true;
    }
    const auto found = listeners.find(group);
    if (found == listeners.end()) return false;
    if (--found->second == 0) {
        listeners.erase(found);
        link->leaveGroup(group);
    }
    return true;
}

bool EtherTalkBridge::poll() {
    bool worked = port_->poll();
    worked = link_->poll() || worked;
    return worked;
}

std::optional<SteadyTime> EtherTalkBridge::nextDeadline() const { return port_->nextArrival(); }

void EtherTalkBridge::setWakeHandler(std::function<void()> wake) {
    // Frames the stations send wake the loop so they reach the interface at once.
    port_->attach([this](std::span<const std::uint8_t> frame) { link_->send(frame); },
                  [wake = std::move(wake)] {
                      if (wake) wake();
                  });
}

} // namespace appletalk
