// SPDX-License-Identifier: MIT
#include "appletalk/node/ltoudp/LToUdpBridge.h"

namespace appletalk {

LToUdpBridge::LToUdpBridge(const Clock& clock, std::unique_ptr<LToUdpLink> link)
    : link_(std::move(link)), wire_(clock), port_(wire_.connect()) {
    attachPort(nullptr);
    // From the segment onto the wire, which hands each frame to the station it is for.
    link_->attach([this](std::span<const std::uint8_t> frame) { port_->send(frame); }, [] {});
}

LToUdpBridge::~LToUdpBridge() {
    link_->detach();
    port_->detach();
}

void LToUdpBridge::attachPort(std::function<void()> wake) {
    // Frames the stations send wake the loop, so they reach the segment at once.
    port_->attach([this](std::span<const std::uint8_t> frame) { link_->send(frame); },
                  [wake = std::move(wake)] {
                      if (wake) wake();
                  });
}

bool LToUdpBridge::poll() {
    bool worked = port_->poll();
    worked = link_->poll() || worked;
    return worked;
}

void LToUdpBridge::setWakeHandler(std::function<void()> wake) { attachPort(std::move(wake)); }

} // namespace appletalk
