// SPDX-License-Identifier: MIT
#include "appletalk/services/atp/AtpRequester.h"

#include "appletalk/protocols/wire/WireLimits.h"

#include <random>
#include <utility>

namespace appletalk {

namespace {

constexpr std::uint8_t kAtpDdpType = 3;

std::uint16_t randomTid() {
    std::random_device device;
    return static_cast<std::uint16_t>(device());
}

// A request sent to network 0 ("this network") is answered from THIS-NET, which may be
// learnt or change while the transaction runs, so 0 on either side matches any network.
bool sameNetwork(std::uint16_t a, std::uint16_t b) { return a == b || a == 0 || b == 0; }

bool answersFor(const DdpAddress& responder, const DdpAddress& source) {
    const bool nodeMatches = responder.node == source.node || responder.node == DdpAddress::kAnyRouterNode;
    return responder.socket == source.socket && nodeMatches && sameNetwork(responder.network, source.network);
}

// Bits above `sequence` cleared: EOM says no packet follows it.
std::uint8_t upTo(std::uint8_t sequence) { return static_cast<std::uint8_t>((1u << (sequence + 1)) - 1); }

} // namespace

AtpRequester::AtpRequester(Node& node, std::optional<std::uint16_t> firstTid)
    : node_(node), tidCounter_(firstTid.value_or(randomTid())) {
    socket_ = node_.openDynamicSocket([this](const Datagram& datagram) { receive(datagram); });
}

AtpRequester::~AtpRequester() {
    for (auto& [handle, transaction] : transactions_) node_.timers().cancel(transaction.timer);
    if (socket_ != 0) node_.closeSocket(socket_);
}

AtpRequester::Handle AtpRequester::send(DdpAddress responder, atp::AtpPayload request, AtpRequestOptions options,
                                        Completion completion) {
    if (!isOpen() || options.bitmap == 0 || request.data.size() > kMaxAtpData) return 0;
    if (options.retries < 0 && options.retries != AtpRequestOptions::kInfiniteRetries) return 0;
    if (options.retryInterval <= Duration::zero()) return 0; // would resend on every poll
    const Handle handle = nextHandle_++;
    Transaction transaction;
    transaction.responder = responder;
    transaction.tid = nextTid();
    transaction.request = std::move(request);
    transaction.options = options;
    transaction.bitmap = options.bitmap;
    transaction.wanted = options.bitmap;
    transaction.retriesLeft = options.retries;
    transaction.completion = std::move(completion);
    transaction.unreadableBefore = node_.counters().framesUnreadableForUs;
    auto& stored = transactions_.emplace(handle, std::move(transaction)).first->second;
    if (!transmit(stored)) {
        // Reported from a timer, so the caller never sees its completion run inside send().
        stored.timer =
            node_.timers().scheduleAfter(Duration::zero(), [this, handle] { finish(handle, AtpStatus::SendFailed); });
        return handle;
    }
    arm(handle);
    return handle;
}

bool AtpRequester::cancel(Handle handle) {
    const auto found = transactions_.find(handle);
    if (found == transactions_.end()) return false;
    node_.timers().cancel(found->second.timer);
    remember(found->second.tid);
    transactions_.erase(found);
    return true;
}

void AtpRequester::remember(std::uint16_t tid) {
    recentTids_[nextRecent_] = tid;
    nextRecent_ = (nextRecent_ + 1) % recentTids_.size();
}

std::optional<std::uint16_t> AtpRequester::tidOf(Handle handle) const {
    const auto found = transactions_.find(handle);
    if (found == transactions_.end()) return std::nullopt;
    return found->second.tid;
}

void AtpRequester::receive(const Datagram& datagram) {
    const auto packet = datagram.type == kAtpDdpType ? atp::AtpPacket::parse(datagram.data) : std::nullopt;
    if (!packet || packet->function != atp::AtpFunction::Response) {
        ++counters_.responsesDropped;
        ++counters_.responsesMalformed;
        markGarbled(datagram.source, std::nullopt);
        return;
    }
    const auto handle = find(datagram.source, packet->tid);
    if (!handle) {
        // A late answer to a finished transaction, or to someone else's.
        ++counters_.responsesDropped;
        if (!isRecentTid(packet->tid)) markGarbled(datagram.source, packet->tid);
        return;
    }
    handleResponse(*handle, transactions_.at(*handle), *packet);
}

// The pending transactions with this responder (all but the one with the TID, when given)
// received something they cannot take.
void AtpRequester::markGarbled(const DdpAddress& source, std::optional<std::uint16_t> tid) {
    for (auto& [handle, transaction] : transactions_)
        if (answersFor(transaction.responder, source) && (!tid || transaction.tid != *tid)) transaction.garbled = true;
}

bool AtpRequester::isRecentTid(std::uint16_t tid) const {
    for (const auto& recent : recentTids_)
        if (recent == tid) return true;
    return false;
}

void AtpRequester::handleResponse(Handle handle, Transaction& transaction, const atp::AtpPacket& packet) {
    const std::uint8_t sequence = packet.bitmapOrSequence;
    const std::uint8_t bit = static_cast<std::uint8_t>(1u << sequence);
    if ((transaction.bitmap & bit) != 0) {
        transaction.packets[sequence] = packet.payload();
        transaction.bitmap &= static_cast<std::uint8_t>(~bit);
        transaction.progressed = true;
    } else {
        ++counters_.responsesDropped; // a duplicate, or a packet nobody asked for
        if ((transaction.options.bitmap & bit) == 0) transaction.garbled = true;
    }
    if (packet.endOfMessage && (transaction.wanted & bit) != 0) {
        transaction.wanted &= upTo(sequence);
        transaction.bitmap &= upTo(sequence);
    }
    if (transaction.bitmap == 0) {
        finish(handle, AtpStatus::Ok);
        return;
    }
    if (packet.sendTransactionStatus) {
        // The responder asks where we stand: answered at once only when the retry interval
        // since the previous send is over; otherwise the pending timer's resend answers it.
        transaction.statusAsked = true;
        if (node_.clock().now() - transaction.lastSent >= transaction.options.retryInterval) resend(handle);
    }
}

std::optional<AtpRequester::Handle> AtpRequester::find(const DdpAddress& source, std::uint16_t tid) const {
    for (const auto& [handle, transaction] : transactions_)
        if (transaction.tid == tid && answersFor(transaction.responder, source)) return handle;
    return std::nullopt;
}

bool AtpRequester::transmit(Transaction& transaction) {
    transaction.lastSent = node_.clock().now();
    transaction.statusAsked = false;
    transaction.progressed = false;
    const auto packet = atp::AtpPacket::request(transaction.tid, transaction.bitmap, transaction.request,
                                                transaction.options.exactlyOnce, transaction.options.releaseTimeout);
    auto bytes = packet.serialize();
    if (bytes.empty()) return false;
    ++counters_.requestsSent;
    return node_.send(Datagram{transaction.responder, {0, 0, socket_}, kAtpDdpType, 0, std::move(bytes)}) ==
           SendResult::Sent;
}

void AtpRequester::arm(Handle handle) {
    Transaction& transaction = transactions_.at(handle);
    node_.timers().cancel(transaction.timer);
    transaction.timer =
        node_.timers().scheduleAfter(transaction.options.retryInterval, [this, handle] { retry(handle); });
}

void AtpRequester::retry(Handle handle) {
    const auto found = transactions_.find(handle);
    if (found == transactions_.end()) return;
    found->second.timer = 0;
    resend(handle);
}

void AtpRequester::resend(Handle handle) {
    Transaction& transaction = transactions_.at(handle);
    const bool askedAfterProgress = transaction.statusAsked && transaction.progressed;
    if (askedAfterProgress) {
        ++counters_.statusResends;
    } else if (transaction.retriesLeft == 0) {
        const bool unreadable =
            transaction.garbled || node_.counters().framesUnreadableForUs != transaction.unreadableBefore;
        finish(handle, unreadable ? AtpStatus::BadReply : AtpStatus::Timeout);
        return;
    } else {
        if (transaction.retriesLeft > 0) --transaction.retriesLeft;
        ++counters_.retries;
    }
    transmit(transaction); // a failed resend is one more lost request; the retries go on
    arm(handle);
}

void AtpRequester::finish(Handle handle, AtpStatus status) {
    const auto found = transactions_.find(handle);
    if (found == transactions_.end()) return;
    Transaction transaction = std::move(found->second);
    transactions_.erase(found);
    node_.timers().cancel(transaction.timer);
    remember(transaction.tid);
    AtpResult result{status, {}};
    if (status == AtpStatus::Ok) {
        if (transaction.options.exactlyOnce) {
            const auto release = atp::AtpPacket::release(transaction.tid).serialize();
            node_.send(Datagram{transaction.responder, {0, 0, socket_}, kAtpDdpType, 0, release});
        }
        for (std::uint8_t sequence = 0; sequence <= atp::AtpPacket::kMaxSequence; ++sequence) {
            if ((transaction.wanted & (1u << sequence)) != 0 && transaction.packets[sequence])
                result.packets.push_back(std::move(*transaction.packets[sequence]));
        }
    }
    // Last: the completion may destroy this requester.
    if (transaction.completion) transaction.completion(result);
}

std::uint16_t AtpRequester::nextTid() {
    // Skips TIDs still in flight so two pending transactions never share one after a wrap.
    std::uint16_t tid = tidCounter_++;
    for (int tried = 0; tried < 0xFFFF && tidInUse(tid); ++tried) tid = tidCounter_++;
    return tid;
}

bool AtpRequester::tidInUse(std::uint16_t tid) const {
    for (const auto& [handle, transaction] : transactions_)
        if (transaction.tid == tid) return true;
    return false;
}

} // namespace appletalk
