// SPDX-License-Identifier: MIT
// Answers that cannot be read, forged on the wire by a peer that answers every request as
// whoever it was sent to: each ends the operation as a bad reply, never as silence.
#include "support/ServiceNetwork.h"

#include "appletalk/node/Pollable.h"
#include "appletalk/protocols/atp/AtpPacket.h"
#include "appletalk/protocols/nbp/NbpPacket.h"
#include "appletalk/protocols/pap/PapHeader.h"
#include "appletalk/protocols/pap/PapStatus.h"
#include "appletalk/protocols/wire/ByteWriter.h"
#include "appletalk/services/nbp/NbpLookup.h"
#include "appletalk/services/pap/PapStatusClient.h"
#include "appletalk/services/zip/ZipClient.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace appletalk {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kClient = 20;
constexpr std::uint8_t kRouter = 254;
constexpr std::uint8_t kPrinter = 130;

enum class Operation { MyZone, ZoneList, Lookup, PapStatus };
enum class Forgery {
    None, // the honest answer
    Silence, // no answer is no answer
    TruncatedDdpHeader,
    DdpLengthTooLong,
    DdpLengthTooShort,
    OversizeDatagram,
    WrongTid,
    UnrequestedSequence,
    NotAtp,
    EmptyZoneReply,
    ZoneNamesEmptyOrWithNul,
    NotAnNbpPacket,
    ImpossibleTuple,
    NotAPapStatus,
};

struct Row {
    const char* what;
    Operation operation;
    Forgery forgery;
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.what; }

Bytes zoneReply(const std::vector<std::string>& zones, std::uint16_t tid) {
    ByteWriter names;
    for (const std::string& zone : zones) names.pstr(zone, 32);
    const auto count = static_cast<std::uint8_t>(zones.size());
    return atp::AtpPacket::response(tid, 0, {{1, 0, 0, count}, names.finish(578)}, true).serialize();
}

// The right answer's DDP data and type to a request, with the forgeries that live inside it.
std::optional<std::pair<std::uint8_t, Bytes>> answerData(const Datagram& request, Forgery forgery) {
    if (request.type == 2) {
        const auto lookup = nbp::NbpPacket::parse(request.data);
        if (!lookup || lookup->function != nbp::NbpFunction::Lookup) return std::nullopt;
        if (forgery == Forgery::NotAnNbpPacket) return std::pair{std::uint8_t{2}, Bytes{0x31, 0x01}};
        const std::uint8_t node = forgery == Forgery::ImpossibleTuple ? 0 : kPrinter;
        const nbp::NbpTuple found{0, node, kPrinter, 0, {"Laser", "LaserWriter", "*"}};
        return std::pair{std::uint8_t{2}, nbp::NbpPacket::lookupReplies(lookup->id, {&found, 1}).front().serialize()};
    }
    const auto asked = atp::AtpPacket::parse(request.data);
    if (request.type != 3 || !asked || asked->function != atp::AtpFunction::Request) return std::nullopt;
    const std::uint16_t tid = forgery == Forgery::WrongTid ? static_cast<std::uint16_t>(asked->tid + 1) : asked->tid;
    if (forgery == Forgery::NotAtp) return std::pair{std::uint8_t{3}, Bytes{0x80, 0x00}};
    if (forgery == Forgery::UnrequestedSequence)
        return std::pair{std::uint8_t{3}, atp::AtpPacket::response(tid, 3, {{1, 0, 0, 0}, {}}, true).serialize()};
    if (request.destination.socket == ZipClient::kZipSocket) {
        if (forgery == Forgery::EmptyZoneReply) return std::pair{std::uint8_t{3}, zoneReply({}, tid)};
        if (forgery == Forgery::ZoneNamesEmptyOrWithNul)
            return std::pair{std::uint8_t{3}, zoneReply({"", std::string("Nul\0Zone", 8)}, tid)};
        return std::pair{std::uint8_t{3}, zoneReply({"Sales"}, tid)};
    }
    const auto header = forgery == Forgery::NotAPapStatus ? pap::PapHeader::tickle(0) : pap::PapHeader::status();
    const Bytes text = pap::PapStatus{"idle"}.serialize();
    return std::pair{std::uint8_t{3}, atp::AtpPacket::response(tid, 0, {header.serialize(), text}, true).serialize()};
}

// The answer as a LocalTalk frame with a short DDP header, broken as the forgery says.
std::optional<Bytes> answerFrame(const Datagram& request, Forgery forgery) {
    if (forgery == Forgery::Silence) return std::nullopt;
    auto answer = answerData(request, forgery);
    if (!answer) return std::nullopt;
    const std::uint8_t from = request.destination.node == 255 ? kPrinter : request.destination.node;
    Datagram reply{{0, request.source.node, request.source.socket},
                   {0, from, request.destination.socket},
                   answer->first,
                   0,
                   std::move(answer->second)};
    Bytes ddp = *DdpCodec::serializeShort(reply);
    const auto setLength = [&ddp](std::size_t length) {
        ddp[0] = static_cast<std::uint8_t>(length >> 8 & 0x03);
        ddp[1] = static_cast<std::uint8_t>(length & 0xFF);
    };
    switch (forgery) {
    case Forgery::TruncatedDdpHeader: ddp.resize(3); break;
    case Forgery::DdpLengthTooLong: setLength(ddp.size() + 4); break;
    case Forgery::DdpLengthTooShort: setLength(ddp.size() - 2); break;
    case Forgery::OversizeDatagram: // more data than a datagram holds, in a frame LocalTalk carries
        ddp.resize(DdpCodec::kShortHeaderSize + Datagram::kMaxData + 4);
        setLength(ddp.size());
        break;
    default: break;
    }
    Bytes frame{request.source.node, from, LlapFrame::kShortDdp};
    frame.insert(frame.end(), ddp.begin(), ddp.end());
    return frame;
}

// A station without a node id: it hears every frame on the wire and answers each request
// the client sends as the node it was sent to.
class Injector final : public Pollable {
public:
    Injector(testing::ServiceNetwork& net, Forgery forgery) : net_(net), link_(net.wire.connect()), forgery_(forgery) {
        link_->attach([this](std::span<const std::uint8_t> bytes) { heard(bytes); }, [] {});
        net_.driver.add(*this);
    }
    ~Injector() override {
        net_.driver.remove(*this);
        link_->detach();
    }
    Injector(const Injector&) = delete;
    Injector& operator=(const Injector&) = delete;

    bool poll() override {
        const bool worked = link_->poll();
        for (const Bytes& frame : outbox_) link_->send(frame);
        const bool sent = !outbox_.empty();
        outbox_.clear();
        return worked || sent;
    }
    std::optional<SteadyTime> nextDeadline() const override { return link_->nextArrival(); }
    void setWakeHandler(std::function<void()>) override {}

private:
    void heard(std::span<const std::uint8_t> bytes) {
        const auto frame = LlapFrame::parse(bytes);
        const auto request = testing::decodeFrame(bytes);
        if (!frame || frame->source != kClient || !request) return;
        if (auto answer = answerFrame(*request, forgery_)) outbox_.push_back(std::move(*answer));
    }

    testing::ServiceNetwork& net_;
    std::unique_ptr<MemoryWireLink> link_;
    Forgery forgery_;
    std::vector<Bytes> outbox_;
};

// "ok", "bad reply", "no answer" or "other".
std::string outcomeOf(Operation operation, Forgery forgery) {
    testing::ServiceNetwork net;
    Node& client = net.addNode(kClient);
    client.setARouter(kRouter);
    Injector injector(net, forgery);
    std::optional<std::string> outcome;
    const auto zip = [&](ZipStatus s) {
        outcome = s == ZipStatus::Ok         ? "ok"
                  : s == ZipStatus::BadReply ? "bad reply"
                  : s == ZipStatus::Timeout  ? "no answer"
                                             : "other";
    };
    ZipClient zones(client);
    NbpLookup lookup(client);
    PapStatusClient status(client, {1s, 1});
    switch (operation) {
    case Operation::MyZone: zones.getMyZone(zip); break;
    case Operation::ZoneList: zones.getZoneList(zip); break;
    case Operation::Lookup:
        client.setARouter(0); // a broadcast LkUp, answered by the device itself
        lookup.start({"=", "LaserWriter", "*"}, {.interval = 1s, .transmissions = 2}, [&](NbpLookupStatus s) {
            outcome = s == NbpLookupStatus::Done       ? (lookup.results().empty() ? "no answer" : "ok")
                      : s == NbpLookupStatus::BadReply ? "bad reply"
                                                       : "other";
        });
        break;
    case Operation::PapStatus:
        status.start({0, kPrinter, kPrinter}, [&](PapStatusResult r) {
            outcome = r == PapStatusResult::Ok           ? "ok"
                      : r == PapStatusResult::BadReply   ? "bad reply"
                      : r == PapStatusResult::NoResponse ? "no answer"
                                                         : "other";
        });
        break;
    }
    if (!net.advanceUntil([&] { return outcome.has_value(); }, 60s)) return "unfinished";
    return *outcome;
}

class UnreadableAnswer : public ::testing::TestWithParam<Row> {};

TEST_P(UnreadableAnswer, IsABadReplyNotSilence) {
    const Row& row = GetParam();
    EXPECT_EQ(outcomeOf(row.operation, row.forgery), row.forgery == Forgery::Silence ? "no answer" : "bad reply");
}

TEST(UnreadableAnswer, TheInjectorsHonestAnswersAreRead) {
    for (Operation operation : {Operation::MyZone, Operation::ZoneList, Operation::Lookup, Operation::PapStatus})
        EXPECT_EQ(outcomeOf(operation, Forgery::None), "ok");
}

const Row kRows[] = {
    {"GetMyZone, silence", Operation::MyZone, Forgery::Silence},
    {"GetMyZone, truncated DDP header", Operation::MyZone, Forgery::TruncatedDdpHeader},
    {"GetMyZone, DDP length too long", Operation::MyZone, Forgery::DdpLengthTooLong},
    {"GetMyZone, DDP length too short", Operation::MyZone, Forgery::DdpLengthTooShort},
    {"GetMyZone, oversize datagram", Operation::MyZone, Forgery::OversizeDatagram},
    {"GetMyZone, wrong TID", Operation::MyZone, Forgery::WrongTid},
    {"GetMyZone, unrequested sequence", Operation::MyZone, Forgery::UnrequestedSequence},
    {"GetMyZone, not ATP", Operation::MyZone, Forgery::NotAtp},
    {"GetMyZone, no zone", Operation::MyZone, Forgery::EmptyZoneReply},
    {"GetMyZone, empty or NUL zone names", Operation::MyZone, Forgery::ZoneNamesEmptyOrWithNul},
    {"GetZoneList, truncated DDP header", Operation::ZoneList, Forgery::TruncatedDdpHeader},
    {"GetZoneList, wrong TID", Operation::ZoneList, Forgery::WrongTid},
    {"GetZoneList, empty or NUL zone names", Operation::ZoneList, Forgery::ZoneNamesEmptyOrWithNul},
    {"look-up, silence", Operation::Lookup, Forgery::Silence},
    {"look-up, DDP length too long", Operation::Lookup, Forgery::DdpLengthTooLong},
    {"look-up, oversize datagram", Operation::Lookup, Forgery::OversizeDatagram},
    {"look-up, not an NBP packet", Operation::Lookup, Forgery::NotAnNbpPacket},
    {"look-up, impossible tuple", Operation::Lookup, Forgery::ImpossibleTuple},
    {"PAP status, silence", Operation::PapStatus, Forgery::Silence},
    {"PAP status, truncated DDP header", Operation::PapStatus, Forgery::TruncatedDdpHeader},
    {"PAP status, DDP length too short", Operation::PapStatus, Forgery::DdpLengthTooShort},
    {"PAP status, wrong TID", Operation::PapStatus, Forgery::WrongTid},
    {"PAP status, unrequested sequence", Operation::PapStatus, Forgery::UnrequestedSequence},
    {"PAP status, not a status", Operation::PapStatus, Forgery::NotAPapStatus},
};

INSTANTIATE_TEST_SUITE_P(Forgeries, UnreadableAnswer, ::testing::ValuesIn(kRows), [](const auto& row) {
    std::string name;
    for (const char c : std::string(row.param.what))
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    return name;
});

} // namespace
} // namespace appletalk
