// SPDX-License-Identifier: MIT
#include "appletalk/services/zip/ZipClient.h"

#include "appletalk/protocols/zip/ZipGetNetInfoRequest.h"
#include "appletalk/protocols/zip/ZipZoneListReply.h"

#include <algorithm>
#include <utility>

namespace appletalk {

namespace {

constexpr std::uint8_t kZipDdpType = 6;
constexpr std::uint32_t kLastIndex = 0xFFFF;

// A zone name no zone can have: empty, or holding a NUL, which no zone buffer of the library
// could carry (the name would show cut short, and a look-up there would find nothing).
bool isPossibleZone(const std::string& zone) { return !zone.empty() && zone.find('\0') == std::string::npos; }

} // namespace

ZipClient::ZipClient(Node& node, ZipClientOptions options) : node_(node), options_(options), requester_(node) {}

ZipClient::~ZipClient() {
    node_.timers().cancel(timer_);
    if (netInfoSocket_ != 0) node_.closeSocket(netInfoSocket_);
}

bool ZipClient::getMyZone(Completion completion) { return begin(Operation::MyZone, std::move(completion)); }

bool ZipClient::getZoneList(Completion completion) { return begin(Operation::ZoneList, std::move(completion)); }

bool ZipClient::getLocalZones(Completion completion) { return begin(Operation::LocalZones, std::move(completion)); }

bool ZipClient::getNetInfo(std::string zone, Completion completion) {
    if (isRunning()) return false;
    netInfoZone_ = std::move(zone);
    return begin(Operation::NetInfo, std::move(completion));
}

bool ZipClient::begin(Operation operation, Completion completion) {
    if (isRunning()) return false;
    operation_ = operation;
    status_ = ZipStatus::Running;
    completion_ = std::move(completion);
    zones_.clear();
    if (operation == Operation::NetInfo) {
        netInfo_.reset();
        if (netInfoSocket_ == 0)
            netInfoSocket_ = node_.openDynamicSocket([this](const Datagram& datagram) { receiveNetInfo(datagram); });
        if (netInfoSocket_ == 0 || !node_.isReady()) {
            finishLater(ZipStatus::Failed);
            return true;
        }
        netInfoLeft_ = options_.netInfoAttempts;
        netInfoGarbled_ = false;
        unreadableBefore_ = node_.counters().framesUnreadableForUs;
        sendNetInfo();
        return true;
    }
    if (node_.aRouter() == 0) {
        finishLater(ZipStatus::NoRouter);
        return true;
    }
    // Every page goes to the router that answered the first: another router may order or
    // count the list differently.
    router_ = {node_.aRouterNetwork(), node_.aRouter(), kZipSocket};
    nextIndex_ = 1;
    pages_ = 0;
    requestPage();
    return true;
}

void ZipClient::requestPage() {
    zip::ZipAtpRequest request;
    switch (operation_) {
    case Operation::MyZone: request = zip::ZipAtpRequest::getMyZone(); break;
    case Operation::LocalZones:
        request = zip::ZipAtpRequest::getLocalZones(static_cast<std::uint16_t>(nextIndex_));
        break;
    default: request = zip::ZipAtpRequest::getZoneList(static_cast<std::uint16_t>(nextIndex_)); break;
    }
    const AtpRequestOptions options{
        .exactlyOnce = false, .bitmap = 0x01, .retryInterval = options_.retryInterval, .retries = options_.retries};
    ++requestsSent_;
    ++pages_;
    transaction_ = requester_.send(router_, {request.serialize(), {}}, options,
                                   [this](const AtpResult& result) { handlePage(result); });
    if (transaction_ == 0) finishLater(ZipStatus::Failed);
}

void ZipClient::handlePage(const AtpResult& result) {
    transaction_ = 0;
    if (result.status != AtpStatus::Ok) {
        // A router that answered only with packets that could not be read did answer.
        finish(result.status == AtpStatus::Timeout    ? ZipStatus::Timeout
               : result.status == AtpStatus::BadReply ? ZipStatus::BadReply
                                                      : ZipStatus::Failed);
        return;
    }
    auto reply = result.packets.empty()
                     ? std::nullopt
                     : zip::ZipZoneListReply::parse(result.packets[0].userBytes, result.packets[0].data);
    if (!reply) {
        finish(ZipStatus::BadReply);
        return;
    }
    const std::size_t before = zones_.size();
    const std::size_t impossibleBefore = impossibleZones_;
    for (auto& zone : reply->zones) {
        if (isPossibleZone(zone))
            zones_.add(std::move(zone));
        else
            ++impossibleZones_;
    }
    if (operation_ == Operation::MyZone) {
        finish(zones_.empty() ? ZipStatus::BadReply : ZipStatus::Ok);
        return;
    }
    nextIndex_ += static_cast<std::uint32_t>(reply->zones.size());
    // A zero count means the index ran past the end; an index past 65535 cannot be asked for.
    // A page with nothing new means a router that ignores the index (some answer
    // GetLocalZones on LocalTalk as GetMyZone, without LastFlag): asking on would never end.
    const bool nothingNew = zones_.size() == before && impossibleZones_ == impossibleBefore;
    if (zones_.size() > kMaxZones || (pages_ >= kMaxPages && !reply->last)) {
        zones_.truncate(kMaxZones);
        finish(ZipStatus::TooManyZones);
        return;
    }
    if (reply->last || reply->zones.empty() || nothingNew || nextIndex_ > kLastIndex) {
        // A list of nothing but impossible names told nothing that could be read.
        finish(zones_.empty() && impossibleZones_ != 0 ? ZipStatus::BadReply : ZipStatus::Ok);
        return;
    }
    requestPage();
}

void ZipClient::sendNetInfo() {
    timer_ = 0;
    if (netInfoLeft_ <= 0) {
        const bool unreadable = netInfoGarbled_ || node_.counters().framesUnreadableForUs != unreadableBefore_;
        finish(unreadable ? ZipStatus::BadReply : ZipStatus::Timeout);
        return;
    }
    --netInfoLeft_;
    const auto bytes = zip::ZipGetNetInfoRequest{netInfoZone_}.serialize();
    if (bytes.empty()) {
        finish(ZipStatus::Failed); // a zone name over 32 bytes
        return;
    }
    ++requestsSent_;
    node_.send(Datagram{{0, DdpAddress::kBroadcastNode, kZipSocket}, {0, 0, netInfoSocket_}, kZipDdpType, 0, bytes});
    timer_ = node_.timers().scheduleAfter(options_.netInfoInterval, [this] { sendNetInfo(); });
}

void ZipClient::receiveNetInfo(const Datagram& datagram) {
    if (operation_ != Operation::NetInfo || !isRunning() || datagram.type != kZipDdpType) return;
    const auto reply = zip::ZipGetNetInfoReply::parse(datagram.data);
    // Not a reply, or a broken one: keep waiting for a good one, but remember it.
    if (!reply || (!reply->zone.empty() && !isPossibleZone(reply->zone)) ||
        (reply->defaultZone && !isPossibleZone(*reply->defaultZone))) {
        netInfoGarbled_ = true;
        if (reply) ++impossibleZones_;
        return;
    }
    netInfo_ = reply;
    finish(ZipStatus::Ok);
}

void ZipClient::cancel() {
    if (!isRunning()) return;
    if (transaction_ != 0) requester_.cancel(transaction_);
    transaction_ = 0;
    node_.timers().cancel(timer_);
    timer_ = 0;
    completion_ = nullptr;
    operation_ = Operation::None;
    status_ = ZipStatus::Cancelled;
}

void ZipClient::finishLater(ZipStatus status) {
    node_.timers().cancel(timer_);
    timer_ = node_.timers().scheduleAfter(Duration::zero(), [this, status] {
        timer_ = 0;
        finish(status);
    });
}

void ZipClient::finish(ZipStatus status) {
    node_.timers().cancel(timer_);
    timer_ = 0;
    operation_ = Operation::None;
    status_ = status;
    Completion completion = std::move(completion_);
    completion_ = nullptr;
    // Last: the completion may start another operation or destroy this client.
    if (completion) completion(status);
}

} // namespace appletalk
