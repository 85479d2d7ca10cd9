// SPDX-License-Identifier: MIT
// Printers that break PAP's rules, on the in-process wire and virtual time: one that answers
// every SendData at once with Data too long to be PAP's, one busy for ever, one that takes the
// whole job and never says it is done. The job ends within its stall limit whatever the
// printer does, tells the caller every ten seconds what it waits for, and the workstation
// sends a bounded number of datagrams meanwhile: no busy loop.
#include "support/ServiceNetwork.h"

#include "appletalk/print/PrintJob.h"
#include "appletalk/protocols/pap/PapHeader.h"
#include "appletalk/protocols/pap/PapOpenConn.h"
#include "appletalk/protocols/pap/PapOpenConnReply.h"
#include "appletalk/services/atp/AtpResponder.h"
#include "appletalk/services/pap/PapServer.h"
#include "appletalk/services/pap/PapStatusServer.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace std::chrono_literals;

namespace appletalk::print {
namespace {

using testing::ServiceNetwork;

constexpr std::uint8_t kWorkstation = 20;
constexpr std::uint8_t kPrinter = 130;
constexpr std::uint8_t kListening = 130; // the printer's server listening socket
constexpr std::uint8_t kResponding = 140;

enum class Misdeed { OversizeData, BusyForEver, NoEndOfJob };

// Opens connections and answers every SendData at once with one Data packet of 560 bytes: as
// much as ATP carries, more than PAP allows.
struct OversizeDataPrinter {
    explicit OversizeDataPrinter(Node& node)
        : listening(node, kListening,
                    [](const AtpIncomingRequest& request) {
                        const auto open = pap::PapOpenConn::parse(request.payload.data);
                        if (!open) return AtpAnswer::ignore();
                        const pap::PapOpenConnReply reply{kResponding, 8, pap::kOpenResultOk, ""};
                        const auto id = request.payload.userBytes[0];
                        return AtpAnswer::reply({{pap::PapHeader::openConnReply(id).serialize(), reply.serialize()}});
                    }),
          responding(node, kResponding, [](const AtpIncomingRequest& request) {
              const auto id = request.payload.userBytes[0];
              return AtpAnswer::reply(
                  {{pap::PapHeader::data(id, false).serialize(), std::vector<std::uint8_t>(560, 'x')}});
          }) {}
    AtpResponder listening;
    AtpResponder responding;
};

struct Misbehaviour {
    const char* what;
    Misdeed misdeed;
    PrintOutcome outcome;
    PrintWait waitsFor;
    std::uint64_t maxDatagrams; // what the workstation may send in two minutes
};

struct HostilePrinter : ::testing::TestWithParam<Misbehaviour> {
    ServiceNetwork net;
    Node& workstation = net.addNode(kWorkstation);
    Node& printerNode = net.addNode(kPrinter, NodeRole::Server);
    std::unique_ptr<PapStatusServer> status;
    std::unique_ptr<PapServer> server;
    std::unique_ptr<OversizeDataPrinter> oversize;
    std::unique_ptr<PrintJob> holder; // keeps the printer busy

    void SetUp() override {
        switch (GetParam().misdeed) {
        case Misdeed::OversizeData: oversize = std::make_unique<OversizeDataPrinter>(printerNode); break;
        case Misdeed::BusyForEver:
        case Misdeed::NoEndOfJob:
            // It reads a job to its end and never sends its own EOF.
            status = std::make_unique<PapStatusServer>(printerNode, kListening, "status: busy");
            server = std::make_unique<PapServer>(printerNode, *status, PapServerEvents{});
            break;
        }
        if (GetParam().misdeed == Misdeed::BusyForEver) {
            Node& other = net.addNode(21);
            holder =
                std::make_unique<PrintJob>(other, PrintJobOptions{.pap = {}, .stallLimit = {}, .noticeInterval = 10s});
            ASSERT_TRUE(holder->open({0, kPrinter, kListening}, {}));
            ASSERT_TRUE(net.advanceUntil([&] { return server->isBusy(); }, 10s));
        }
    }
};

TEST_P(HostilePrinter, EndsTheJobWithinItsLimitSayingWhatItWaitsForAndSendingLittle) {
    std::uint64_t sent = 0;
    net.dropRule = [&sent](const Datagram& datagram) {
        if (datagram.source.node == kWorkstation) ++sent;
        return false;
    };
    std::optional<PrintOutcome> outcome;
    std::vector<std::pair<PrintWait, Duration>> notices;
    PrintJobEvents events;
    events.waiting = [&notices](PrintWait what, Duration without) { notices.emplace_back(what, without); };
    events.finished = [&outcome](PrintOutcome how, std::uint64_t) { outcome = how; };
    PrintJob job(workstation);
    ASSERT_TRUE(job.open({0, kPrinter, kListening}, std::move(events)));
    const std::string bytes = "%!PS-Adobe-3.0\n%%Title: hostile\nshowpage\n";
    job.write(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    job.finish();

    const SteadyTime begin = net.clock.now();
    ASSERT_TRUE(net.advanceUntil([&] { return outcome.has_value(); }, 10min));
    EXPECT_EQ(*outcome, GetParam().outcome);
    EXPECT_LE(net.clock.now() - begin, 2min + 5s);
    EXPECT_LE(sent, GetParam().maxDatagrams) << "datagrams the workstation sent";
    ASSERT_GE(notices.size(), 10u);
    EXPECT_EQ(notices.back().first, GetParam().waitsFor);
    EXPECT_GE(notices.back().second, 100s);
    for (std::size_t i = 1; i < notices.size(); ++i)
        EXPECT_EQ(notices[i].second - notices[i - 1].second, 10s) << "a word every ten seconds";
}

INSTANTIATE_TEST_SUITE_P(
    PrintJob, HostilePrinter,
    ::testing::Values(
        // Every SendData is asked again only at the pace of a lost one: about eight in two
        // minutes, not one per round trip.
        Misbehaviour{"OversizeData", Misdeed::OversizeData, PrintOutcome::Stalled, PrintWait::Reading, 25},
        // OpenConn and its release every two seconds.
        Misbehaviour{"BusyForEver", Misdeed::BusyForEver, PrintOutcome::StillBusy, PrintWait::Busy, 130},
        Misbehaviour{"NoEndOfJob", Misdeed::NoEndOfJob, PrintOutcome::Unconfirmed, PrintWait::Finishing, 25}),
    [](const auto& row) { return std::string(row.param.what); });

} // namespace
} // namespace appletalk::print
