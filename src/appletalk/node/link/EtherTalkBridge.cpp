#include "appletalk/node/link/EtherTalkBridge.h"

namespace appletalk {

EtherTalkBridge::EtherTalkBridge(const Clock& clock, std::unique_ptr<EtherTalkLink> link)
    : link_(std::move(link)), wire_(clock), port_(wire_.connect()) {
    port_->attach([this](std::span<const std::uint8_t> frame) { link_->send(frame); }, [] {});
    link_->attach([this](std::span<const std::uint8_t> frame) { port_->send(frame); }, [] {});
}

EtherTalkBridge::~EtherTalkBridge() {
    link_->detach();
    port_->detach();
}

std::unique_ptr<MemoryWireLink> EtherTalkBridge::connect() {
    auto station = wire_.connect();
    if (const auto hardware = link_->hardwareAddress()) station->setHardwareAddress(*hardware);
    return station;
}

bool EtherTalkBridge::poll() {
    bool worked = port_->poll();
    worked = link_->poll() || worked;
    return worked;
}

std::optional<SteadyTime> EtherTalkBridge::nextDeadline() const {
    return port_->nextArrival();
}

void EtherTalkBridge::setWakeHandler(std::function<void()> wake) {
    // Frames the stations send wake the loop so they reach the interface at once.
    port_->attach([this](std::span<const std::uint8_t> frame) { link_->send(frame); },
                  [wake = std::move(wake)] {
                      if (wake) wake();
                  });
}

} // namespace appletalk
