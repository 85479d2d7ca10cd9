// SPDX-License-Identifier: MIT
// The ZIP client of a node: its zone (GetMyZone), the internet's zone list (GetZoneList,
// paged over as many ATP requests as the list needs, all to the same router), the zones of
// this cable (GetLocalZones), and GetNetInfo (a DDP-type-6 broadcast). One operation at a
// time per client; results are readable while it runs. Paging ends at LastFlag, an empty
// page, or a page that brings no new zone (a router that ignores the start index). With no
// router known the zone operations complete at once with NoRouter and no zones: callers
// then use "*". A list that passes kMaxZones zones or kMaxPages pages ends with TooManyZones.
// Zone names that no zone can have (empty, or with a NUL) are dropped and counted; an answer
// that could not be read ends the operation with BadReply, never with Timeout.
#pragma once

#include "appletalk/node/Node.h"
#include "appletalk/protocols/zip/ZipAtpRequest.h"
#include "appletalk/protocols/zip/ZipGetNetInfoReply.h"
#include "appletalk/services/atp/AtpRequester.h"
#include "text/UniqueNameList.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace appletalk {

enum class ZipStatus {
    Idle,
    Running,
    Ok,
    NoRouter, // no router on the cable: no zones, use "*"
    Timeout, // the router (or, for GetNetInfo, anyone) did not answer
    BadReply, // an answer that could not be read (a malformed ZIP or ATP packet)
    TooManyZones, // the zone list passed kMaxZones or its pages kMaxPages
    Cancelled,
    Failed, // could not send (no free socket, no node id yet)
};

struct ZipClientOptions {
    Duration retryInterval = std::chrono::seconds(2); // per ATP request
    int retries = 3;
    Duration netInfoInterval = std::chrono::seconds(1);
    int netInfoAttempts = 4;
};

class ZipClient {
public:
    static constexpr std::uint8_t kZipSocket = 6;
    // Caps on one zone list, against a router that answers every page with new zones. Real
    // internets had a few hundred to a few thousand zones; 8,192 leaves room for the largest
    // while keeping the Chooser's box and its 16-bit indexes far from their ends. A full page
    // holds at least 17 zones (578 bytes of 33-byte names), so 8,192 zones need about 480
    // pages; 1,024 pages also allow routers that send half-full pages.
    static constexpr std::size_t kMaxZones = 8192;
    static constexpr std::size_t kMaxPages = 1024;

    using Completion = std::function<void(ZipStatus)>;

    explicit ZipClient(Node& node, ZipClientOptions options = {});
    ~ZipClient();
    ZipClient(const ZipClient&) = delete;
    ZipClient& operator=(const ZipClient&) = delete;

    // Each starts an operation and returns true, or returns false when one is running. The
    // completion runs later (from a poll of the node), once, unless cancel() comes first.
    bool getMyZone(Completion completion);
    bool getZoneList(Completion completion);
    bool getLocalZones(Completion completion);
    // Validates `zone` (empty: none) and learns the cable's range and default zone.
    bool getNetInfo(std::string zone, Completion completion);
    // Stops the running operation without calling back; what was collected stays readable.
    void cancel();

    bool isRunning() const { return status_ == ZipStatus::Running; }
    ZipStatus status() const { return status_; }
    // The zones collected so far, without case-folded duplicates, in the router's order.
    // GetMyZone leaves the node's zone here as the only entry.
    const std::vector<std::string>& zones() const { return zones_.names(); }
    const std::optional<zip::ZipGetNetInfoReply>& netInfo() const { return netInfo_; }
    std::size_t requestsSent() const { return requestsSent_; }
    // What its ATP transactions sent and met, over all its operations.
    const AtpRequesterCounters& atpCounters() const { return requester_.counters(); }
    // Zone names dropped because no zone can have them: empty, or holding a NUL.
    std::size_t impossibleZones() const { return impossibleZones_; }

private:
    enum class Operation { None, MyZone, ZoneList, LocalZones, NetInfo };

    bool begin(Operation operation, Completion completion);
    void requestPage();
    void handlePage(const AtpResult& result);
    void sendNetInfo();
    void receiveNetInfo(const Datagram& datagram);
    void finishLater(ZipStatus status);
    void finish(ZipStatus status);

    Node& node_;
    ZipClientOptions options_;
    AtpRequester requester_;
    std::uint8_t netInfoSocket_ = 0;
    Operation operation_ = Operation::None;
    ZipStatus status_ = ZipStatus::Idle;
    Completion completion_;
    DdpAddress router_;
    std::uint32_t nextIndex_ = 1;
    AtpRequester::Handle transaction_ = 0;
    TimerId timer_ = 0;
    int netInfoLeft_ = 0;
    std::string netInfoZone_;
    vidur::text::UniqueNameList zones_; // zones may repeat while routers change their tables
    std::optional<zip::ZipGetNetInfoReply> netInfo_;
    std::size_t requestsSent_ = 0;
    std::size_t pages_ = 0;
    std::size_t impossibleZones_ = 0;
    bool netInfoGarbled_ = false; // a GetNetInfo answer came that could not be read
    std::uint64_t unreadableBefore_ = 0; // the node's count of unreadable frames at the start
};

} // namespace appletalk
