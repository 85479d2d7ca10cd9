#include "appletalk/node/link/MemoryWireHub.h"

#include "appletalk/node/llap/LlapFrame.h"

#include <iterator>

namespace appletalk {

MemoryWireHub::MemoryWireHub(const Clock& clock, std::uint64_t seed) : clock_(clock), random_(seed) {}

MemoryWireHub::EndpointId MemoryWireHub::join() {
    std::lock_guard lock(mutex_);
    const EndpointId id = nextEndpoint_++;
    inboxes_.emplace(id, Inbox{});
    return id;
}

void MemoryWireHub::leave(EndpointId endpoint) {
    std::lock_guard lock(mutex_);
    inboxes_.erase(endpoint);
}

void MemoryWireHub::setReceiving(EndpointId endpoint, Link::WakeHandler wake) {
    std::lock_guard lock(mutex_);
    Inbox& inbox = inboxes_.at(endpoint);
    inbox.receiving = true;
    inbox.wake = std::move(wake);
}

void MemoryWireHub::stopReceiving(EndpointId endpoint) {
    std::lock_guard lock(mutex_);
    Inbox& inbox = inboxes_.at(endpoint);
    inbox.receiving = false;
    inbox.wake = nullptr;
    inbox.frames.clear();
}

bool MemoryWireHub::transmit(EndpointId sender, std::span<const std::uint8_t> frame) {
    std::lock_guard lock(mutex_);
    if (frame.size() < LlapFrame::kHeaderSize || frame.size() > LlapFrame::kMaxFrameSize) {
        ++counters_.framesRejected;
        return false;
    }
    ++counters_.framesSent;
    const SteadyTime now = clock_.now();
    const Frame shared = std::make_shared<const std::vector<std::uint8_t>>(frame.begin(), frame.end());
    for (auto& [id, inbox] : inboxes_) {
        if (id == sender || !inbox.receiving) continue;
        if (chance() < impairments_.lossRate) {
            ++counters_.copiesLost;
            continue;
        }
        enqueue(inbox, shared, now);
        if (chance() < impairments_.duplicateRate) {
            ++counters_.copiesDuplicated;
            enqueue(inbox, shared, now);
        }
        // Under the lock, so the receiver cannot be destroyed meanwhile; wakes only signal.
        if (inbox.wake) inbox.wake();
    }
    return true;
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

double MemoryWireHub::chance() {
    // 53 random bits: uniform in [0, 1), the same on every standard library.
    return static_cast<double>(random_() >> 11) * 0x1.0p-53;
}

std::vector<MemoryWireHub::Frame> MemoryWireHub::takeDue(EndpointId endpoint) {
    std::lock_guard lock(mutex_);
    std::vector<Frame> due;
    const auto found = inboxes_.find(endpoint);
    if (found == inboxes_.end()) return due;
    auto& frames = found->second.frames;
    const SteadyTime now = clock_.now();
    while (!frames.empty() && frames.front().key.first <= now) {
        due.push_back(std::move(frames.front().frame));
        frames.pop_front();
    }
    counters_.copiesDelivered += due.size();
    return due;
}

std::optional<SteadyTime> MemoryWireHub::nextArrival(EndpointId endpoint) const {
    std::lock_guard lock(mutex_);
    const auto found = inboxes_.find(endpoint);
    if (found == inboxes_.end() || found->second.frames.empty()) return std::nullopt;
    return found->second.frames.front().key.first;
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
