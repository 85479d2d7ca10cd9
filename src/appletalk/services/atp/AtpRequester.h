// SPDX-License-Identifier: MIT
// The requesting end of ATP on one dynamic socket: sends TReqs at-least-once or exactly-once,
// resends them with the same TID and the bitmap of the packets still missing until the
// response is complete or the retries run out, and hands the response packets back in order.
// Everything runs on the node's thread; completion callbacks come from a poll of the node.
#pragma once

#include "appletalk/node/Node.h"
#include "appletalk/protocols/atp/AtpPacket.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace appletalk {

enum class AtpStatus {
    Ok,
    Timeout, // retries exhausted with packets still missing, and nothing came back
    BadReply, // retries exhausted, and what came back could not be read (see below)
    Cancelled,
    SendFailed, // the first transmission could not leave the node (no route, bad address...)
};

struct AtpRequestOptions {
    static constexpr int kInfiniteRetries = -1;

    bool exactlyOnce = false;
    std::uint8_t bitmap = 0x01; // one bit per expected response packet
    Duration retryInterval = std::chrono::seconds(2);
    int retries = 5; // resends after the first TReq; kInfiniteRetries never gives up
    atp::ReleaseTimeout releaseTimeout = atp::ReleaseTimeout::Seconds30;
};

struct AtpResult {
    AtpStatus status = AtpStatus::Ok;
    // The response packets by sequence number: those up to EOM (or the last bit asked for).
    std::vector<atp::AtpPayload> packets;
};

struct AtpRequesterCounters {
    std::uint64_t requestsSent = 0; // first transmissions and resends
    std::uint64_t retries = 0; // resends that cost a retry: the timer's, and STS's that brought nothing new
    std::uint64_t statusResends = 0; // resends asked for by STS after new packets came: they cost no retry
    std::uint64_t responsesDropped = 0; // unknown TID or address, duplicate, malformed
    std::uint64_t responsesMalformed = 0; // of those: not an ATP response that could be read
};

// A transaction that runs out of retries ends in BadReply rather than Timeout when, while it
// ran, its responder sent something it could not take: a packet that is no ATP response (or
// no ATP at all), a response with a TID it never used, or a sequence number it did not ask
// for; or when a frame addressed to this node could not be read at all (a broken DDP header
// tells no sender, and such frames do not come from a working network).
//
// No request is ever sent again sooner than its retry interval after the previous send, STS
// or not: a responder that asks for status in every packet would otherwise draw a storm. An
// STS asks for the next resend as soon as that interval allows; it costs no retry when new
// packets came since the previous send, so a slow responder is not given up on, and one retry
// when nothing new came, so a responder that only ever asks cannot hold a transaction forever.

class AtpRequester {
public:
    using Handle = std::uint64_t; // 0: none
    using Completion = std::function<void(const AtpResult&)>;

    // Opens a dynamic socket on `node` at once; isOpen() tells whether one was free. The first
    // TID is random unless given, so a restarted client does not meet its old transactions in
    // a responder's exactly-once cache.
    explicit AtpRequester(Node& node, std::optional<std::uint16_t> firstTid = std::nullopt);
    ~AtpRequester();
    AtpRequester(const AtpRequester&) = delete;
    AtpRequester& operator=(const AtpRequester&) = delete;

    bool isOpen() const { return socket_ != 0; }
    std::uint8_t socket() const { return socket_; }

    // Starts a transaction; the completion runs later, exactly once, unless cancel() comes
    // first. Returns 0 (and never calls back) when the request cannot be a TReq: no socket,
    // a bitmap of 0, data over 578 bytes, a retry interval that is not positive, or a
    // negative retry count other than infinite.
    Handle send(DdpAddress responder, atp::AtpPayload request, AtpRequestOptions options, Completion completion);
    // Forgets the transaction without calling back. False when it had already finished.
    bool cancel(Handle handle);
    bool isPending(Handle handle) const { return transactions_.count(handle) != 0; }
    std::size_t pendingCount() const { return transactions_.size(); }
    // The TID the given pending transaction travels with.
    std::optional<std::uint16_t> tidOf(Handle handle) const;

    const AtpRequesterCounters& counters() const { return counters_; }

private:
    struct Transaction {
        DdpAddress responder;
        std::uint16_t tid = 0;
        atp::AtpPayload request;
        AtpRequestOptions options;
        std::uint8_t bitmap = 0; // packets still missing
        std::uint8_t wanted = 0; // packets that make up the response (EOM trims it)
        std::array<std::optional<atp::AtpPayload>, 8> packets;
        int retriesLeft = 0;
        TimerId timer = 0;
        Completion completion;
        bool garbled = false; // something unreadable came from the responder
        SteadyTime lastSent{}; // the previous transmission of the request
        bool statusAsked = false; // an STS came since the previous send
        bool progressed = false; // a packet still missing came since the previous send
        std::uint64_t unreadableBefore = 0; // the node's count of unreadable frames at the start
    };

    void receive(const Datagram& datagram);
    void handleResponse(Handle handle, Transaction& transaction, const atp::AtpPacket& packet);
    std::optional<Handle> find(const DdpAddress& source, std::uint16_t tid) const;
    void markGarbled(const DdpAddress& source, std::optional<std::uint16_t> tid);
    void remember(std::uint16_t tid);
    bool isRecentTid(std::uint16_t tid) const;
    bool transmit(Transaction& transaction);
    void arm(Handle handle);
    void retry(Handle handle);
    void resend(Handle handle);
    void finish(Handle handle, AtpStatus status);
    std::uint16_t nextTid();
    bool tidInUse(std::uint16_t tid) const;

    Node& node_;
    std::uint8_t socket_ = 0;
    std::uint16_t tidCounter_ = 0;
    Handle nextHandle_ = 1;
    std::map<Handle, Transaction> transactions_;
    // TIDs of the last finished transactions: their late duplicates are no sign of trouble.
    std::array<std::optional<std::uint16_t>, 8> recentTids_{};
    std::size_t nextRecent_ = 0;
    AtpRequesterCounters counters_;
};

} // namespace appletalk
