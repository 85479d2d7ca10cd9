// SPDX-License-Identifier: MIT
#include "appletalk/services/nbp/NbpLookup.h"

#include "appletalk/protocols/nbp/NbpMatch.h"

#include <atomic>
#include <utility>

namespace appletalk {

namespace {

constexpr std::uint8_t kNbpDdpType = 2;
const std::string kMyZone(1, nbp::NbpName::kMyZone);

// NBP IDs tell one look-up's replies from another's; every look-up in the process takes the
// next one, so two look-ups running side by side never share an ID.
std::uint8_t nextNbpId() {
    static std::atomic<std::uint8_t> counter{1};
    return counter.fetch_add(1);
}

// A name a registered entity can have: not empty, not the wildcard "=", no "≈" and no NUL
// (which no name field of the library's records could carry).
bool isEntityName(const std::string& name) {
    return !name.empty() && name != "=" && name.find(nbp::NbpName::kPartialWildcard) == std::string::npos &&
           name.find('\0') == std::string::npos;
}

// What a reply must hold to name a device that could exist. The zone may be "*" or empty
// (a responder that does not know its zone); node 0 and 255 and sockets 0 and 255 are no
// one's address, and on an extended cable every node has a network number.
bool isPossibleTuple(const nbp::NbpTuple& tuple, bool extendedCable) {
    const auto& name = tuple.name;
    if (!isEntityName(name.object) || !isEntityName(name.type)) return false;
    if (!name.isMyZone() && !isEntityName(name.zone)) return false;
    if (tuple.node == 0 || tuple.node == 255 || tuple.socket == 0 || tuple.socket == 255) return false;
    return !(extendedCable && tuple.network == 0);
}

// The zones a reply to `pattern` may name. A responder names "*" (or nothing) when it does
// not know its zone or registered its name so; routers and many nodes name the zone itself,
// which for a pattern of "*" is this node's: checked when it is known, taken when it is not.
nbp::NbpZoneRule replyZonesFor(const nbp::NbpName& pattern, const NbpLookupOptions& options) {
    if (!pattern.isMyZone()) return nbp::NbpZoneRule::myZone(pattern.zone);
    const std::string& mine = options.ownZone.empty() ? options.knownZone : options.ownZone;
    return mine.empty() ? nbp::NbpZoneRule::anyZone() : nbp::NbpZoneRule::myZone(mine);
}

} // namespace

NbpLookup::NbpLookup(Node& node) : node_(node) {}

NbpLookup::~NbpLookup() {
    node_.timers().cancel(timer_);
    if (socket_ != 0) node_.closeSocket(socket_);
}

bool NbpLookup::start(const nbp::NbpName& pattern, NbpLookupOptions options, Completion completion) {
    if (isRunning() || !pattern.isValidPattern() || options.transmissions < 1) return false;
    if (options.interval <= Duration::zero()) return false;
    if (socket_ == 0) socket_ = node_.openDynamicSocket([this](const Datagram& datagram) { receive(datagram); });
    pattern_ = pattern;
    if (pattern_.zone.empty()) pattern_.zone = kMyZone;
    options_ = options;
    completion_ = std::move(completion);
    results_.clear();
    // Room for all it may keep, made once: a large block is only address space until a
    // reply fills it, and regrowing one would copy it and fault in fresh pages each time.
    results_.reserve(options.maxTuples);
    seen_.clear();
    id_ = nextNbpId();
    status_ = NbpLookupStatus::Running;
    startedAt_ = node_.clock().now();
    lastFoundAfter_ = Duration::zero();
    transmissionsLeft_ = options.transmissions;
    anySent_ = false;
    malformedReplies_ = 0;
    mismatchedReplies_ = 0;
    replyZones_ = replyZonesFor(pattern_, options_);
    unreadablePackets_ = 0;
    unreadableBefore_ = node_.counters().framesUnreadableForUs;
    if (socket_ == 0 || !node_.isReady()) {
        timer_ = node_.timers().scheduleAfter(Duration::zero(), [this] { finish(NbpLookupStatus::Failed); });
        return true;
    }
    transmit();
    return true;
}

void NbpLookup::transmit() {
    timer_ = 0;
    if (transmissionsLeft_ <= 0) {
        const bool unreadable = malformedReplies_ != 0 || unreadablePackets_ != 0 ||
                                node_.counters().framesUnreadableForUs != unreadableBefore_;
        finish(!anySent_                        ? NbpLookupStatus::Failed
               : results_.empty() && unreadable ? NbpLookupStatus::BadReply
                                                : NbpLookupStatus::Done);
        return;
    }
    --transmissionsLeft_;
    anySent_ = sendRequest() || anySent_;
    timer_ = node_.timers().scheduleAfter(options_.interval, [this] { transmit(); });
}

bool NbpLookup::sendRequest() {
    // Decided on every send: the router may be learnt, or age out, while we look.
    const bool viaRouter = node_.aRouter() != 0;
    nbp::NbpName asked = pattern_;
    if (asked.isMyZone() && !options_.ownZone.empty())
        asked.zone = options_.ownZone;
    else if (!viaRouter)
        asked.zone = kMyZone; // without a router there is only this cable
    askedZone_ = asked.zone;
    const nbp::NbpTuple requester{node_.thisNet(), node_.nodeId(), socket_, 0, asked};
    const auto function = viaRouter ? nbp::NbpFunction::BroadcastRequest : nbp::NbpFunction::Lookup;
    const auto bytes = nbp::NbpPacket::request(function, id_, requester).serialize();
    const DdpAddress to = viaRouter ? DdpAddress{node_.aRouterNetwork(), node_.aRouter(), kNamesInformationSocket}
                                    : DdpAddress{0, DdpAddress::kBroadcastNode, kNamesInformationSocket};
    ++requestsSent_;
    const bool sent = node_.send(Datagram{to, {0, 0, socket_}, kNbpDdpType, 0, bytes}) == SendResult::Sent;
    // A broadcast never comes back to its sender: names registered here are asked directly.
    if (!viaRouter && node_.isSocketOpen(kNamesInformationSocket))
        node_.send(Datagram{{0, node_.nodeId(), kNamesInformationSocket}, {0, 0, socket_}, kNbpDdpType, 0, bytes});
    return sent;
}

void NbpLookup::receive(const Datagram& datagram) {
    if (!isRunning()) return;
    const auto packet = datagram.type == kNbpDdpType ? nbp::NbpPacket::parse(datagram.data) : std::nullopt;
    if (!packet || packet->function != nbp::NbpFunction::LookupReply) {
        ++unreadablePackets_;
        return;
    }
    if (packet->id != id_) return; // a late reply to an earlier look-up
    for (const auto& tuple : packet->tuples) {
        // The completion has run and may have destroyed this look-up: touch nothing more.
        if (add(tuple)) return;
    }
}

bool NbpLookup::add(nbp::NbpTuple tuple) {
    if (!isPossibleTuple(tuple, options_.extendedCable)) {
        ++malformedReplies_;
        return false;
    }
    if (!answersPattern(tuple.name)) {
        ++mismatchedReplies_;
        return false;
    }
    if (!seen_.insert(TupleAddressSet::pack(tuple.network, tuple.node, tuple.socket, tuple.enumerator))) return false;
    // A node on LocalTalk may not know its zone and answers "*": it is in the zone we asked.
    if (tuple.name.isMyZone()) tuple.name.zone = askedZone_;
    results_.push_back(std::move(tuple));
    lastFoundAfter_ = node_.clock().now() - startedAt_;
    if (options_.maxTuples == 0 || results_.size() < options_.maxTuples) return false;
    finish(NbpLookupStatus::MaxReached);
    return true;
}

// What a responder that matched the request as NBP does would have answered.
bool NbpLookup::answersPattern(const nbp::NbpName& name) const {
    return nbp::matchesField(pattern_.object, name.object) && nbp::matchesField(pattern_.type, name.type) &&
           replyZones_.accepts(name.zone);
}

void NbpLookup::cancel() {
    if (!isRunning()) return;
    node_.timers().cancel(timer_);
    timer_ = 0;
    completion_ = nullptr;
    status_ = NbpLookupStatus::Cancelled;
}

void NbpLookup::finish(NbpLookupStatus status) {
    node_.timers().cancel(timer_);
    timer_ = 0;
    status_ = status;
    Completion completion = std::move(completion_);
    completion_ = nullptr;
    // Last: the completion may start another look-up or destroy this one.
    if (completion) completion(status);
}

} // namespace appletalk
