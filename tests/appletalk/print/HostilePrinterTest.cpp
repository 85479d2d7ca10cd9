// SPDX-License-Identifier: MIT
// Printers that break PAP's rules, on the in-process wire and virtual time: one that answers
// every SendData at once with Data too long to be PAP's, one busy for ever, one that takes the
// whole job and never says it is done, one that talks without end, one that asks for more
// every 10 ms after the job's end. The job ends within its stall limit whatever the printer
// does, tells the caller every ten seconds what it waits for, and the workstation sends a
// bounded number of datagrams meanwhile: no busy loop. Beside them a scripted printer's back
// channel and OpenConnReply: what fails a job, what passes, what is a bad reply.
#include "support/ServiceNetwork.h"

#include "appletalk/print/PrintJob.h"
#include "appletalk/protocols/pap/PapHeader.h"
#include "appletalk/protocols/pap/PapOpenConn.h"
#include "appletalk/protocols/pap/PapOpenConnReply.h"
#include "appletalk/protocols/pap/PapPacket.h"
#include "appletalk/services/atp/AtpRequester.h"
#include "appletalk/services/atp/AtpResponder.h"
#include "appletalk/services/pap/PapServer.h"
#include "appletalk/services/pap/PapStatusServer.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace appletalk::print {
namespace {

using testing::ServiceNetwork;

constexpr std::uint8_t kWorkstation = 20;
constexpr std::uint8_t kPrinter = 130;
constexpr std::uint8_t kListening = 130; // the printer's server listening socket
constexpr std::uint8_t kResponding = 140;

enum class Misdeed { OversizeData, BusyForEver, NoEndOfJob, TalksForEver, AsksForEver };

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

std::vector<std::uint8_t> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

// A printer that runs as its script says: it opens every connection with `openReply`, asks for
// the job with a SendData every `askPace` (until the job's EOF unless `asksAfterEof`), and
// answers the workstation's SendData `talkPace` later with its messages in order, then EOF; a
// printer that `talksForEver` sends the last one again instead, and one with no messages never
// answers.
struct PrinterScript {
    std::vector<std::string> messages;
    bool talksForEver = false;
    Duration talkPace = 5ms;
    std::optional<Duration> askPace = 100ms;
    bool asksAfterEof = false;
    std::optional<std::vector<std::uint8_t>> openReply; // default: open, on kResponding

    static PrinterScript saying(std::vector<std::string> messages) {
        PrinterScript script;
        script.messages = std::move(messages);
        return script;
    }
    // The last message again every `pace`, for ever; asks for the job only with `asks`.
    static PrinterScript talking(std::string message, Duration pace, bool asks) {
        PrinterScript script = saying({std::move(message)});
        script.talksForEver = true;
        script.talkPace = pace;
        if (!asks) script.askPace.reset();
        return script;
    }
};

class ScriptedPrinter {
public:
    ScriptedPrinter(Node& node, PrinterScript script)
        : node_(node),
          script_(std::move(script)),
          messages_(script_.messages.begin(), script_.messages.end()),
          listening_(node, kListening, [this](const AtpIncomingRequest& request) { return open(request); }),
          responding_(node, kResponding, [this](const AtpIncomingRequest& request) { return handle(request); }),
          requester_(node) {}
    ~ScriptedPrinter() {
        node_.timers().cancel(askTimer_);
        for (const TimerId timer : talkTimers_) node_.timers().cancel(timer);
    }

    std::uint64_t messageBytesSent = 0;
    bool gotEof = false;

private:
    AtpAnswer open(const AtpIncomingRequest& request) {
        const auto opening = pap::PapOpenConn::parse(request.payload.data);
        if (!opening) return AtpAnswer::ignore();
        id_ = request.payload.userBytes[0];
        workstation_ = {request.source.network, request.source.node, opening->respondingSocket};
        const auto reply = script_.openReply.value_or(pap::PapOpenConnReply{kResponding, 8, 0, ""}.serialize());
        if (script_.askPace && askTimer_ == 0)
            askTimer_ = node_.timers().scheduleAfter(*script_.askPace, [this] { ask(); });
        return AtpAnswer::reply({{pap::PapHeader::openConnReply(id_).serialize(), reply}});
    }

    AtpAnswer handle(const AtpIncomingRequest& request) {
        const auto packet = pap::PapPacket::parse(request.payload);
        if (!packet) return AtpAnswer::ignore();
        if (packet->header.function == pap::PapFunction::CloseConn)
            return AtpAnswer::reply({*pap::PapPacket::closeConnReply(id_).serialize()});
        if (packet->header.function != pap::PapFunction::SendData || script_.messages.empty())
            return AtpAnswer::ignore();
        if (talkTimers_.size() > 16) talkTimers_.erase(talkTimers_.begin()); // long since run
        talkTimers_.push_back(node_.timers().scheduleAfter(script_.talkPace, [this, request] { talk(request); }));
        return AtpAnswer::later();
    }

    void talk(const AtpIncomingRequest& request) {
        const bool last = messages_.size() <= 1;
        const bool eof = messages_.empty() || (last && !script_.talksForEver);
        const std::string message = messages_.empty() ? "" : messages_.front();
        if (!(last && script_.talksForEver) && !messages_.empty()) messages_.pop_front();
        messageBytesSent += message.size();
        responding_.respond(request, {{pap::PapHeader::data(id_, eof).serialize(), bytesOf(message)}});
    }

    void ask() {
        askTimer_ = node_.timers().scheduleAfter(*script_.askPace, [this] { ask(); });
        if (gotEof && !script_.asksAfterEof) return;
        const AtpRequestOptions options{.exactlyOnce = true, .bitmap = 0xFF, .retryInterval = 1s, .retries = 0};
        requester_.send(workstation_, {pap::PapHeader::sendData(id_, ++sequence_).serialize(), {}}, options,
                        [this](const AtpResult& result) {
                            for (const auto& payload : result.packets)
                                if (const auto header = pap::PapHeader::parse(payload.userBytes))
                                    gotEof = gotEof || header->endOfFile();
                        });
    }

    Node& node_;
    PrinterScript script_;
    std::deque<std::string> messages_;
    AtpResponder listening_;
    AtpResponder responding_;
    AtpRequester requester_;
    std::uint8_t id_ = 0;
    DdpAddress workstation_;
    std::uint16_t sequence_ = 0;
    TimerId askTimer_ = 0;
    std::vector<TimerId> talkTimers_;
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
    std::unique_ptr<ScriptedPrinter> scripted;
    std::unique_ptr<PrintJob> holder; // keeps the printer busy

    void SetUp() override {
        switch (GetParam().misdeed) {
        case Misdeed::OversizeData: oversize = std::make_unique<OversizeDataPrinter>(printerNode); break;
        case Misdeed::TalksForEver:
            // It takes nothing of the job, and says so every 5 ms.
            scripted = std::make_unique<ScriptedPrinter>(
                printerNode, PrinterScript::talking("%%[ status: waiting ]%%\r\n", 20ms, false));
            break;
        case Misdeed::AsksForEver: {
            PrinterScript asking;
            asking.askPace = 10ms;
            asking.asksAfterEof = true;
            scripted = std::make_unique<ScriptedPrinter>(printerNode, asking);
            break;
        }
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
        Misbehaviour{"NoEndOfJob", Misdeed::NoEndOfJob, PrintOutcome::Unconfirmed, PrintWait::Finishing, 25},
        // What it says is no progress. The workstation asks again as each answer comes: one
        // SendData and its release per 20 ms message, and no faster.
        Misbehaviour{"TalksForEver", Misdeed::TalksForEver, PrintOutcome::Stalled, PrintWait::Reading, 12'100},
        // A new SendData every 10 ms after the job's EOF asks for nothing and goes unanswered: the
        // workstation's own SendData every 15 s and tickles, as for a silent printer.
        Misbehaviour{"AsksForEver", Misdeed::AsksForEver, PrintOutcome::Unconfirmed, PrintWait::Finishing, 25}),
    [](const auto& row) { return std::string(row.param.what); });

// One job on a scripted printer, heard whole.
struct ScriptedJob : ::testing::Test {
    ServiceNetwork net;
    Node& workstation = net.addNode(kWorkstation);
    Node& printerNode = net.addNode(kPrinter, NodeRole::Server);
    std::unique_ptr<ScriptedPrinter> printer;
    std::optional<PrintOutcome> outcome;
    std::string shown;
    std::vector<std::string> printerErrors;
    std::vector<std::uint64_t> dropped;

    PrintOutcome run(PrinterScript script, Duration stallLimit = 20s) {
        printer.reset(); // its sockets, for the next one
        printer = std::make_unique<ScriptedPrinter>(printerNode, std::move(script));
        PrintJobEvents events;
        events.message = [this](std::span<const std::uint8_t> b) { shown.append(b.begin(), b.end()); };
        events.printerError = [this](const std::string& text) { printerErrors.push_back(text); };
        events.messagesDropped = [this](std::uint64_t bytes) { dropped.push_back(bytes); };
        events.finished = [this](PrintOutcome how, std::uint64_t) { outcome = how; };
        PrintJob job(workstation, {.pap = {}, .stallLimit = stallLimit, .noticeInterval = 10s});
        EXPECT_TRUE(job.open({0, kPrinter, kListening}, std::move(events)));
        const std::string bytes = "%!PS-Adobe-3.0\nshowpage\n";
        job.write(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
        job.finish();
        EXPECT_TRUE(net.advanceUntil([&] { return outcome.has_value(); }, stallLimit + 10s));
        return outcome.value_or(PrintOutcome::Interrupted);
    }
};

TEST_F(ScriptedJob, APrinterThatTalksWithoutEndIsShownItsFirst64KiBAndTheRestIsCountedOnce) {
    const std::string line = "%%[ status: warming up ]%%\r\n";
    const SteadyTime begin = net.clock.now();
    EXPECT_EQ(run(PrinterScript::talking(line, 4ms, true)), PrintOutcome::Unconfirmed);
    EXPECT_LE(net.clock.now() - begin, 20s + 5s);
    EXPECT_LE(shown.size(), kShownMessages);
    EXPECT_GT(shown.size(), kShownMessages - line.size());
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_GT(dropped[0], 0u);
    EXPECT_LE(shown.size() + dropped[0], printer->messageBytesSent);
}

TEST_F(ScriptedJob, APassingPrinterErrorIsTheJobsStateAndOnlyErrorOrFlushingFailIt) {
    struct Case {
        const char* what;
        std::vector<std::string> messages;
        PrintOutcome outcome;
        std::vector<std::string> printerErrors;
    };
    const Case cases[] = {
        // Said again while it waits: one event. The job goes on once the paper is in.
        {"paper out, then printed",
         {"%%[ PrinterError: paper out ]%%\r", "%%[ PrinterError: paper out ]%%\r", "%%[ status: printing ]%%\r"},
         PrintOutcome::Done,
         {"paper out"}},
        {"a PostScript error",
         {"%%[ Error: undefined; OffendingCommand: frobnicate ]%%\r"},
         PrintOutcome::PrinterError,
         {}},
        // Cut across two pieces, as a long message may come.
        {"flushing",
         {"%%[ Flush", "ing: rest of job (to end-of-file) will be ignored ]%%\r"},
         PrintOutcome::PrinterError,
         {}},
        {"an error that is not bracketed", {"Error: this is only text\r"}, PrintOutcome::Done, {}},
    };
    for (const Case& c : cases) {
        outcome.reset();
        printerErrors.clear();
        EXPECT_EQ(run(PrinterScript::saying(c.messages)), c.outcome) << c.what;
        EXPECT_EQ(printerErrors, c.printerErrors) << c.what;
        EXPECT_TRUE(printer->gotEof) << c.what;
    }
}

TEST_F(ScriptedJob, AnOpenConnReplyCutShortOrNamingSocketZeroIsABadReply) {
    const std::pair<const char*, std::vector<std::uint8_t>> replies[] = {
        {"three bytes", {kResponding, 8, 0}},
        {"socket 0", pap::PapOpenConnReply{0, 8, pap::kOpenResultOk, ""}.serialize()},
    };
    for (const auto& [what, reply] : replies) {
        outcome.reset();
        const SteadyTime begin = net.clock.now();
        PrinterScript opening;
        opening.openReply = reply;
        EXPECT_EQ(run(opening), PrintOutcome::BadReply) << what;
        EXPECT_LE(net.clock.now() - begin, 1s) << what << ": one exchange";
    }
}

} // namespace
} // namespace appletalk::print
