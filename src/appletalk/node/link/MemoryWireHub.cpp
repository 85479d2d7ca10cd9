// SPDX-License-Identifier: MIT
#include "appletalk/node/link/MemoryWireHub.h"

#include "appletalk/protocols/llap/LlapFrame.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace appletalk {

MemoryWireHub::MemoryWireHub(const Clock& clock, std::uint64_t seed) : clock_(clock), random_(seed) {}

MemoryWireHub::EndpointId MemoryWireHub::join() {
    std::lock_guard lock(mutex_);
    const EndpointId id = nextEndpoint_++;
    inboxes_[id].id = id;
    return id;
}

void MemoryWireHub::leave(EndpointId endpoint) {
    std::lock_guard lock(mutex_);
    const auto found = inboxes_.find(endpoint);
    if (found == inboxes_.end()) return;
    unlisten(found->second);
    inboxes_.erase(found);
}

MemoryWireHub::Inbox* MemoryWireHub::find(EndpointId endpoint) {
    return const_cast<Inbox*>(std::as_const(*this).find(endpoint));
}

const MemoryWireHub::Inbox* MemoryWireHub::find(EndpointId endpoint) const {
    const auto found = inboxes_.find(endpoint);
    return found != inboxes_.end() ? &found->second : nullptr;
}

std::vector<MemoryWireHub::EndpointId>& MemoryWireHub::listeners(int address) {
    return address == kEveryAddress ? hearingAll_ : byAddress_[static_cast<std::size_t>(address)];
}

void MemoryWireHub::listen(const Inbox& inbox) {
    if (!inbox.receiving) return;
    auto& list = listeners(inbox.address);
    list.insert(std::upper_bound(list.begin(), list.end(), inbox.id), inbox.id);
    ++receivingCount_;
}

void MemoryWireHub::unlisten(const Inbox& inbox) {
    if (!inbox.receiving) return;
    auto& list = listeners(inbox.address);
    const auto at = std::lower_bound(list.begin(), list.end(), inbox.id);
    if (at != list.end() && *at == inbox.id) list.erase(at);
    --receivingCount_;
}

void MemoryWireHub::setReceiving(EndpointId endpoint, Link::WakeHandler wake) {
    std::lock_guard lock(mutex_);
    Inbox* inbox = find(endpoint);
    if (!inbox) return;
    unlisten(*inbox);
    inbox->receiving = true;
    inbox->wake = std::move(wake);
    listen(*inbox);
}

void MemoryWireHub::stopReceiving(EndpointId endpoint) {
    std::lock_guard lock(mutex_);
    Inbox* inbox = find(endpoint);
    if (!inbox) return;
    unlisten(*inbox);
    inbox->receiving = false;
    inbox->wake = nullptr;
    inbox->frames.clear();
    // The next node on this endpoint starts without an id, hearing everything.
    inbox->address = kEveryAddress;
}

void MemoryWireHub::setNodeAddress(EndpointId endpoint, std::uint8_t node) {
    std::lock_guard lock(mutex_);
    Inbox* inbox = find(endpoint);
    if (!inbox) return;
    unlisten(*inbox);
    inbox->address = node;
    listen(*inbox);
}

bool MemoryWireHub::transmit(EndpointId sender, std::span<const std::uint8_t> frame) {
    std::lock_guard lock(mutex_);
    if (frame.size() < LlapFrame::kHeaderSize || frame.size() > LlapFrame::kMaxFrameSize) {
        ++counters_.framesRejected;
        return false;
    }
    ++counters_.framesSent;
    const SteadyTime now = clock_.now();
    const std::uint8_t destination = frame[0];
    const Frame shared = std::make_shared<const std::vector<std::uint8_t>>(frame.begin(), frame.end());
    std::size_t reached = 0;
    const auto reach = [&](Inbox& inbox) {
        if (inbox.id == sender) return;
        ++reached;
        deliver(inbox, shared, now);
    };
    if (destination == LlapFrame::kBroadcast) {
        for (auto& [id, inbox] : inboxes_)
            if (inbox.receiving) reach(inbox);
    } else {
        // The two ascending lists merged, so receivers come in the order they joined.
        const auto& all = hearingAll_;
        const auto& addressed = byAddress_[destination];
        auto a = all.begin();
        auto b = addressed.begin();
        while (a != all.end() || b != addressed.end()) {
            const bool takeA = b == addressed.end() || (a != all.end() && *a < *b);
            reach(*find(takeA ? *a++ : *b++));
        }
    }
    const Inbox* own = find(sender);
    const std::size_t others = receivingCount_ - (own && own->receiving ? 1 : 0);
    counters_.copiesNotAddressed += others - reached;
    return true;
}

void MemoryWireHub::deliver(Inbox& inbox, const Frame& frame, SteadyTime now) {
    if (happens(impairments_.lossRate)) {
        ++counters_.copiesLost;
        ++inbox.lost;
        return;
    }
    enqueue(inbox, frame, now);
    if (happens(impairments_.duplicateRate)) {
        ++counters_.copiesDuplicated;
        enqueue(inbox, frame, now);
    }
    // Under the lock, so the receiver cannot be destroyed meanwhile; wakes only signal.
    if (inbox.wake) inbox.wake();
}

void MemoryWireHub::enqueue(Inbox& inbox, const Frame& frame, SteadyTime now) {
    Duration delay = impairments_.delay;
    if (impairments_.jitter > Duration::zero()) {
        const auto span = static_cast<std::uint64_t>(impairments_.jitter.count()) + 1;
        delay += Duration(static_cast<Duration::rep>(random_() % span));
    }
    const Key key{now + delay, nextSequence_++};
    auto at = inbox.frames.end();
    while (at != inbox.frames.begin() && key < std::prev(at)->key) --at;
    inbox.frames.insert(at, Pending{key, frame});
    ++counters_.copiesQueued;
}

bool MemoryWireHub::happens(double rate) {
    if (rate <= 0.0) return false;
    // 53 random bits: uniform in [0, 1), the same on every standard library.
    return static_cast<double>(random_() >> 11) * 0x1.0p-53 < rate;
}

void MemoryWireHub::takeDue(EndpointId endpoint, std::vector<Frame>& due) {
    std::lock_guard lock(mutex_);
    Inbox* inbox = find(endpoint);
    if (!inbox) return;
    auto& frames = inbox->frames;
    const SteadyTime now = clock_.now();
    std::size_t taken = 0;
    while (!frames.empty() && frames.front().key.first <= now) {
        due.push_back(std::move(frames.front().frame));
        frames.pop_front();
        ++taken;
    }
    counters_.copiesDelivered += taken;
}

std::optional<SteadyTime> MemoryWireHub::nextArrival(EndpointId endpoint) const {
    std::lock_guard lock(mutex_);
    const Inbox* inbox = find(endpoint);
    if (!inbox || inbox->frames.empty()) return std::nullopt;
    return inbox->frames.front().key.first;
}

std::uint64_t MemoryWireHub::lostFor(EndpointId endpoint) const {
    std::lock_guard lock(mutex_);
    const Inbox* inbox = find(endpoint);
    return inbox ? inbox->lost : 0;
}

void MemoryWireHub::setImpairments(const WireImpairments& impairments) {
    std::lock_guard lock(mutex_);
    impairments_ = impairments;
}

WireCounters MemoryWireHub::counters() const {
    std::lock_guard lock(mutex_);
    return counters_;
}

std::size_t MemoryWireHub::endpointCount() const {
    std::lock_guard lock(mutex_);
    return inboxes_.size();
}

} // namespace appletalk
