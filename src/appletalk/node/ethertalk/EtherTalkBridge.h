// SPDX-License-Identifier: MIT
// Several nodes of one process on one EtherTalk interface (a simulator's router port and
// devices): they share an in-process wire and the interface's hardware address, and the
// bridge carries frames between that wire and the interface. A packet socket never hears
// its own frames, so nodes sharing one could not hear each other through the interface.
#pragma once

#include "appletalk/node/Pollable.h"
#include "appletalk/node/ethertalk/EtherTalkLink.h"
#include "appletalk/node/link/MemoryWire.h"
#include "appletalk/node/link/MemoryWireLink.h"

#include <map>
#include <memory>

namespace appletalk {

class EtherTalkBridge final : public Pollable {
public:
    EtherTalkBridge(const Clock& clock, std::unique_ptr<EtherTalkLink> link);
    ~EtherTalkBridge() override;
    EtherTalkBridge(const EtherTalkBridge&) = delete;
    EtherTalkBridge& operator=(const EtherTalkBridge&) = delete;

    // A new station on the interface, with its hardware address.
    std::unique_ptr<MemoryWireLink> connect();
    EtherTalkLink& link() { return *link_; }

    bool poll() override;
    std::optional<SteadyTime> nextDeadline() const override;
    int waitHandle() const override { return link_->waitHandle(); }
    void setWakeHandler(std::function<void()> wake) override;

private:
    // Which groups the stations listen to, and how many of them: the interface listens to a
    // group while any station does. Stations hold it weakly, as they may outlive the bridge.
    struct Groups {
        EtherTalkLink* link = nullptr;
        std::map<MacAddress, int> listeners;
        bool change(const MacAddress& group, bool join);
    };

    std::unique_ptr<EtherTalkLink> link_;
    std::shared_ptr<Groups> groups_;
    MemoryWire wire_;
    std::unique_ptr<MemoryWireLink> port_; // the bridge's own end of the wire
};

} // namespace appletalk
