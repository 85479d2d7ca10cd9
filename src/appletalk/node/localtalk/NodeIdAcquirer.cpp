// SPDX-License-Identifier: MIT
#include "appletalk/node/localtalk/NodeIdAcquirer.h"

namespace appletalk {

namespace {

struct IdRange {
    std::uint8_t first;
    std::uint8_t last;
};

IdRange rangeOf(NodeRole role) { return role == NodeRole::Server ? IdRange{128, 254} : IdRange{1, 127}; }

} // namespace

NodeIdAcquirer::NodeIdAcquirer(TimerQueue& timers, std::uint64_t seed, SendFrame send, AcquisitionSettings settings)
    : timers_(timers), random_(seed), send_(std::move(send)), settings_(settings) {
    if (settings_.probeCount < 1) settings_.probeCount = 1;
}

NodeIdAcquirer::~NodeIdAcquirer() { timers_.cancel(probeTimer_); }

void NodeIdAcquirer::start(Acquired onAcquired, Failed onFailed) {
    if (acquired_ || failed_ || probeTimer_ != 0) return;
    onAcquired_ = std::move(onAcquired);
    onFailed_ = std::move(onFailed);
    probesSent_ = 0;
    if (settings_.assigned && settings_.preferredId != 0 && settings_.preferredId != LlapFrame::kBroadcast) {
        candidate_ = settings_.preferredId;
        // Still from a timer, as after probes: the caller never sees the handler inside start().
        probeTimer_ = timers_.scheduleAfter(Duration::zero(), [this] {
            probeTimer_ = 0;
            claim();
        });
        return;
    }
    candidate_ = inRange(settings_.preferredId) ? settings_.preferredId : pickCandidate();
    candidatesTried_ = 1;
    probe();
}

void NodeIdAcquirer::handleControl(const LlapFrame& frame) {
    if (frame.destination == 0 || frame.destination == LlapFrame::kBroadcast) return;
    if (acquired_) {
        // Defence: without an answer a newcomer would take our id.
        if (settings_.defends && frame.type == LlapFrame::kEnq && frame.destination == candidate_) {
            send_(LlapFrame::control(LlapFrame::kAck, candidate_));
            ++enqsAnswered_;
        }
        return;
    }
    if (!isProbing() || frame.destination != candidate_) return;
    // Our own probes never come back (links drop a node's own frames), so an ENQ for the
    // candidate is another node probing it at the same time: both move on.
    if (frame.type == LlapFrame::kAck || frame.type == LlapFrame::kEnq) conflict();
}

void NodeIdAcquirer::noteTrafficFrom(std::uint8_t node) {
    if (!acquired_ && isProbing() && node == candidate_) conflict();
}

void NodeIdAcquirer::probe() {
    send_(LlapFrame::control(LlapFrame::kEnq, candidate_));
    ++probesSent_;
    ++enqsSent_;
    probeTimer_ = timers_.scheduleAfter(settings_.probeInterval, [this] {
        probeTimer_ = 0;
        if (probesSent_ < settings_.probeCount) {
            probe();
        } else {
            claim();
        }
    });
}

void NodeIdAcquirer::claim() {
    acquired_ = true;
    if (onAcquired_) onAcquired_(candidate_);
}

void NodeIdAcquirer::conflict() {
    ++conflicts_;
    seenTaken_.set(candidate_);
    timers_.cancel(probeTimer_);
    probeTimer_ = 0;
    if (candidatesTried_ >= settings_.candidateLimit) {
        // Reported from a timer, as an acquisition is: never from inside handleControl().
        probeTimer_ = timers_.scheduleAfter(Duration::zero(), [this] { fail(); });
        return;
    }
    ++candidatesTried_;
    candidate_ = pickCandidate();
    probesSent_ = 0;
    // The next id waits a probe interval, so a station that acknowledges every lapENQ at
    // once still sees them no faster than the schedule sends them.
    probeTimer_ = timers_.scheduleAfter(settings_.probeInterval, [this] {
        probeTimer_ = 0;
        probe();
    });
}

void NodeIdAcquirer::fail() {
    probeTimer_ = 0;
    failed_ = true;
    candidate_ = 0;
    if (onFailed_) onFailed_();
}

std::uint8_t NodeIdAcquirer::pickCandidate() {
    const IdRange range = rangeOf(settings_.role);
    std::vector<std::uint8_t> free;
    for (int id = range.first; id <= range.last; ++id) {
        if (!seenTaken_.test(static_cast<std::size_t>(id))) free.push_back(static_cast<std::uint8_t>(id));
    }
    if (free.empty()) {
        // Every id was seen taken at some point; nodes come and go, so start over.
        seenTaken_.reset();
        return pickCandidate();
    }
    return free[random_() % free.size()];
}

bool NodeIdAcquirer::inRange(std::uint8_t id) const {
    const IdRange range = rangeOf(settings_.role);
    return id >= range.first && id <= range.last;
}

} // namespace appletalk
