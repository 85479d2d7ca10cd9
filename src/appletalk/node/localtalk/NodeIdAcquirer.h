// SPDX-License-Identifier: MIT
// Dynamic LLAP node-id acquisition and defence. A candidate id is probed with lapENQ a
// number of times; a lapACK for it, someone else's lapENQ for it (a concurrent prober) or
// traffic from it means it is taken and another is tried, a probe interval later. After a
// bounded number of ids acquisition fails. An id that survives the probes is ours, and
// every later lapENQ for it is answered with lapACK for as long as we run.
#pragma once

#include "appletalk/node/TimerQueue.h"
#include "appletalk/protocols/llap/LlapFrame.h"

#include <bitset>
#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

namespace appletalk {

enum class NodeRole {
    Workstation, // picks in 1..127
    Server, // picks in 128..254
};

struct AcquisitionSettings {
    NodeRole role = NodeRole::Workstation;
    std::uint8_t preferredId = 0; // tried first when in the role's range (the last id used)
    int probeCount = 8; // over UDP: 8 probes 250 ms apart
    Duration probeInterval = std::chrono::milliseconds(250);
    // Ids tried before acquisition fails. Ids seen taken are not tried again, so this many
    // conflicts in a row means a station claims every id (broken or squatting) or the
    // role's 127 ids are nearly all in use. At one probe interval per conflict the failure
    // comes within about 6 s over UDP.
    int candidateLimit = 24;
    // Takes preferredId (any id, whatever the role) at once, without probing: for a simulator
    // that hands out distinct ids on a wire it owns, so thousands of nodes start at once.
    bool assigned = false;
    // Answers lapENQ for the id once held. A simulated node on a second number of an extended
    // wire keeps quiet: its id is only its own together with that number, which lapENQ
    // cannot say, and answering would keep the wire's clients from the id.
    bool defends = true;
};

class NodeIdAcquirer {
public:
    using SendFrame = std::function<void(const LlapFrame&)>;
    using Acquired = std::function<void(std::uint8_t nodeId)>;
    using Failed = std::function<void()>;

    NodeIdAcquirer(TimerQueue& timers, std::uint64_t seed, SendFrame send, AcquisitionSettings settings);
    ~NodeIdAcquirer();
    NodeIdAcquirer(const NodeIdAcquirer&) = delete;
    NodeIdAcquirer& operator=(const NodeIdAcquirer&) = delete;

    // Starts probing; `onAcquired` runs once, from a timer, when an id is ours, or
    // `onFailed` when every id tried was claimed (AcquisitionSettings::candidateLimit).
    void start(Acquired onAcquired, Failed onFailed = {});

    // Every lapENQ and lapACK received.
    void handleControl(const LlapFrame& frame);
    // The source of every data frame received: a node using our candidate.
    void noteTrafficFrom(std::uint8_t node);

    bool isAcquired() const { return acquired_; }
    bool hasFailed() const { return failed_; }
    // An assigned id is claimed without probing: nothing heard meanwhile moves it.
    bool isProbing() const { return probeTimer_ != 0 && !settings_.assigned; }
    std::uint8_t nodeId() const { return acquired_ ? candidate_ : 0; }
    std::uint8_t candidate() const { return candidate_; }
    std::uint64_t conflicts() const { return conflicts_; }
    std::uint64_t probesSent() const { return enqsSent_; }
    int candidatesTried() const { return candidatesTried_; }
    std::uint64_t enqsAnswered() const { return enqsAnswered_; }

private:
    void probe();
    void claim();
    void conflict();
    void fail();
    std::uint8_t pickCandidate();
    bool inRange(std::uint8_t id) const;

    TimerQueue& timers_;
    std::mt19937_64 random_;
    SendFrame send_;
    AcquisitionSettings settings_;
    Acquired onAcquired_;
    Failed onFailed_;
    std::bitset<256> seenTaken_;
    std::uint8_t candidate_ = 0;
    int probesSent_ = 0;
    int candidatesTried_ = 0;
    bool acquired_ = false;
    bool failed_ = false;
    TimerId probeTimer_ = 0;
    std::uint64_t conflicts_ = 0;
    std::uint64_t enqsSent_ = 0;
    std::uint64_t enqsAnswered_ = 0;
};

} // namespace appletalk
