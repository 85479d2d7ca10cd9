// SPDX-License-Identifier: MIT
#include "appletalk/node/localtalk/LocalTalkPort.h"

#include "appletalk/protocols/ddp/DdpCodec.h"

namespace appletalk {

LocalTalkPort::LocalTalkPort(PortContext context, std::uint64_t seed, AcquisitionSettings settings)
    : context_(std::move(context)),
      acquirer_(
          context_.timers, seed, [this](const LlapFrame& frame) { sendControl(frame); }, settings) {}

void LocalTalkPort::start(std::uint16_t /*thisNet*/, const std::optional<NetworkRange>& /*cableRange*/, Acquired done) {
    acquirer_.start(
        [this, done = std::move(done)](std::uint8_t nodeId) {
            // From now on the link may leave frames for other nodes unread.
            context_.link.setNodeAddress(nodeId);
            if (done) done(NodeAddress{0, nodeId});
        },
        [this] {
            if (context_.acquisitionFailed) context_.acquisitionFailed();
        });
}

void LocalTalkPort::moveInto(NetworkRange /*range*/, NodeAddress /*preferred*/, std::uint16_t /*thisNet*/,
                             Acquired done) {
    // A LocalTalk node has one network, the one RTMP tells it: there is nothing to move.
    if (done) done(NodeAddress{0, nodeId()});
}

SendResult LocalTalkPort::send(const Datagram& datagram, const NextHop& hop, const SendOptions& options) {
    // A short header cannot carry a source node other than the LLAP sender.
    const bool longHeader = !hop.onThisNetwork || options.longHeader || options.keepSource;
    auto ddp = longHeader ? DdpCodec::serializeLong(datagram, options.checksum) : DdpCodec::serializeShort(datagram);
    if (!ddp) return SendResult::DataTooLong;
    const LlapFrame frame{hop.address.node, nodeId(), longHeader ? LlapFrame::kLongDdp : LlapFrame::kShortDdp,
                          std::move(*ddp)};
    const auto bytes = frame.serialize();
    if (!bytes || !context_.link.send(*bytes)) return SendResult::LinkFailed;
    return SendResult::Sent;
}

void LocalTalkPort::sendControl(const LlapFrame& frame) {
    if (const auto bytes = frame.serialize()) context_.link.send(*bytes);
}

// On a busy cable most frames are data for other nodes: dropped on their header alone,
// without copying their data out (a data frame of this size always parses).
bool LocalTalkPort::isDataForOthers(std::span<const std::uint8_t> frame) const {
    if (!isReady() || frame.size() < LlapFrame::kHeaderSize || frame.size() > LlapFrame::kMaxFrameSize) return false;
    const std::uint8_t destination = frame[0];
    const std::uint8_t type = frame[2];
    return (type == LlapFrame::kShortDdp || type == LlapFrame::kLongDdp) && destination != nodeId() &&
           destination != LlapFrame::kBroadcast;
}

void LocalTalkPort::receive(std::span<const std::uint8_t> bytes, std::uint16_t thisNet) {
    if (isDataForOthers(bytes)) {
        ++context_.counters.framesNotForUs;
        return;
    }
    const auto frame = LlapFrame::parse(bytes);
    if (!frame) {
        ++context_.counters.framesMalformed;
        // An oversize frame still names its destination in its first byte.
        if (isReady() && !bytes.empty() && bytes[0] == nodeId()) ++context_.counters.framesUnreadableForUs;
        return;
    }
    if (frame->type == LlapFrame::kEnq || frame->type == LlapFrame::kAck) {
        acquirer_.handleControl(*frame);
        return;
    }
    if (frame->type != LlapFrame::kShortDdp && frame->type != LlapFrame::kLongDdp) {
        ++context_.counters.framesIgnored;
        return;
    }
    acquirer_.noteTrafficFrom(frame->source);
    receiveData(*frame, thisNet);
}

void LocalTalkPort::receiveData(const LlapFrame& frame, std::uint16_t thisNet) {
    if (!isReady() || (frame.destination != nodeId() && frame.destination != LlapFrame::kBroadcast)) {
        ++context_.counters.framesNotForUs;
        return;
    }
    const bool shortHeader = frame.type == LlapFrame::kShortDdp;
    const auto parsed = shortHeader ? DdpCodec::parseShort(frame.data, {thisNet, frame.destination, frame.source})
                                    : DdpCodec::parseLong(frame.data);
    if (!parsed.datagram) {
        ++context_.counters.framesMalformed;
        if (parsed.error == DdpError::BadChecksum) ++context_.counters.badChecksums;
        if (frame.destination == nodeId()) ++context_.counters.framesUnreadableForUs;
        return;
    }
    context_.receive(*parsed.datagram, shortHeader);
}

} // namespace appletalk
