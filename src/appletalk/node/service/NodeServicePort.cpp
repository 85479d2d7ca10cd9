// SPDX-License-Identifier: MIT
#include "appletalk/node/service/NodeServicePort.h"

namespace appletalk {

NodeServicePort::NodeServicePort(PortContext context, NodeServiceLink& link)
    : context_(std::move(context)), link_(link), state_(link.welcome().state) {}

void NodeServicePort::start(std::uint16_t /*thisNet*/, const std::optional<NetworkRange>& /*cableRange*/,
                            Acquired done) {
    // The service welcomed us once its node had started: the address is held already. It is
    // reported from a timer, as a port that had to acquire one would, never inside start().
    context_.timers.scheduleAfter(Duration::zero(), [this, done = std::move(done)] {
        if (gone_) return;
        started_ = true;
        done(NodeAddress{state_.network, state_.node});
    });
}

void NodeServicePort::moveInto(NetworkRange /*range*/, NodeAddress /*preferred*/, std::uint16_t /*thisNet*/,
                               Acquired done) {
    // The service's node moves itself; this one holds whatever address it holds.
    if (done) done(NodeAddress{state_.network, state_.node});
}

SendResult NodeServicePort::send(const Datagram& datagram, const NextHop& /*hop*/, const SendOptions& options) {
    if (gone_) return SendResult::LinkFailed;
    return link_.post(nodeservice::Send{datagram, options.longHeader, options.checksum}) ? SendResult::Sent
                                                                                         : SendResult::LinkFailed;
}

void NodeServicePort::receive(std::span<const std::uint8_t> frame, std::uint16_t /*thisNet*/) {
    if (frame.empty()) {
        gone_ = true;
        if (goneHandler_) goneHandler_();
        return;
    }
    const auto message = nodeservice::parse(frame);
    if (!message) {
        ++context_.counters.framesMalformed;
        return;
    }
    if (const auto* delivered = std::get_if<nodeservice::Deliver>(&*message)) {
        // The service addressed it to one of our sockets: as a short header is, by its frame.
        context_.receive(delivered->datagram, true);
        return;
    }
    if (const auto* state = std::get_if<nodeservice::NodeState>(&*message)) {
        state_ = *state;
        if (stateChanged_) stateChanged_();
    }
}

std::optional<nodeservice::SocketOpened> NodeServicePort::openSocket(std::uint8_t socket) {
    const std::uint32_t id = link_.nextRequestId();
    const auto answer = link_.request(nodeservice::OpenSocket{id, socket}, id);
    const auto* opened = answer ? std::get_if<nodeservice::SocketOpened>(&*answer) : nullptr;
    if (opened == nullptr) return std::nullopt;
    return *opened;
}

bool NodeServicePort::claimSocket(std::uint8_t socket) {
    const auto opened = openSocket(socket);
    return opened && opened->result == nodeservice::SocketResult::Ok;
}

std::uint8_t NodeServicePort::claimDynamicSocket() {
    const auto opened = openSocket(0);
    return opened && opened->result == nodeservice::SocketResult::Ok ? opened->socket : 0;
}

void NodeServicePort::releaseSocket(std::uint8_t socket) { link_.post(nodeservice::CloseSocket{socket}); }

nodeservice::NameResult NodeServicePort::registerName(const nbp::NbpName& name, std::uint8_t socket,
                                                      std::uint8_t* enumerator) {
    const std::uint32_t id = link_.nextRequestId();
    const auto answer = link_.request(nodeservice::RegisterName{id, socket, name.object, name.type}, id);
    // A service gone or mute: the name is not there, whatever the reason.
    const auto* registered = answer ? std::get_if<nodeservice::NameRegistered>(&*answer) : nullptr;
    if (registered == nullptr) return nodeservice::NameResult::TooMany;
    if (enumerator != nullptr) *enumerator = registered->enumerator;
    return registered->result;
}

void NodeServicePort::removeName(const nbp::NbpName& name) {
    link_.post(nodeservice::RemoveName{name.object, name.type});
}

} // namespace appletalk
