// SPDX-License-Identifier: MIT
// PAP print jobs end to end on the in-process wire and virtual time: a workstation's
// PapClient against a printer's PapServer beside its status server.
#include "support/ServiceNetwork.h"

#include "appletalk/services/pap/PapClient.h"
#include "appletalk/services/pap/PapServer.h"
#include "appletalk/services/pap/PapStatusServer.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

using namespace std::chrono_literals;

namespace appletalk {
namespace {

using testing::ServiceNetwork;

std::vector<std::uint8_t> randomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 generator(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(generator());
    return bytes;
}

std::string text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// What the printer saw of its jobs.
struct PrinterLog {
    std::vector<std::vector<std::uint8_t>> jobs; // bytes of each job, in order of arrival
    std::vector<bool> complete;
    std::string reply; // written back at each job's EOF, then the printer's EOF
};

struct PapJobTest : ::testing::Test {
    ServiceNetwork net;
    Node& workstation = net.addNode(20);
    Node* printer = &net.addNode(130, NodeRole::Server);
    std::unique_ptr<PapStatusServer> status = std::make_unique<PapStatusServer>(*printer, 130, "status: idle");
    PrinterLog log;
    std::unique_ptr<PapServer> server = std::make_unique<PapServer>(*printer, *status, events());

    PapServerEvents events() {
        PapServerEvents e;
        e.started = [this](PapServerJob&) {
            log.jobs.emplace_back();
            status->setStatus("status: busy; source: AppleTalk");
        };
        e.data = [this](PapServerJob&, std::span<const std::uint8_t> bytes) {
            log.jobs.back().insert(log.jobs.back().end(), bytes.begin(), bytes.end());
        };
        e.endOfJob = [this](PapServerJob& job) {
            job.write(std::vector<std::uint8_t>(log.reply.begin(), log.reply.end()));
            job.finish();
        };
        e.ended = [this](PapServerJob&, bool complete) {
            log.complete.push_back(complete);
            status->setStatus("status: idle");
        };
        return e;
    }

    // One job from one client, its events recorded.
    struct Job {
        explicit Job(Node& node, PapClientOptions options = {}) : client(node, options) {}
        PapClient client;
        std::optional<PapJobResult> result;
        std::vector<std::string> busy;
        std::vector<std::uint8_t> messages;
    };

    std::unique_ptr<Job> print(Node& node, const std::vector<std::uint8_t>& bytes, PapClientOptions options = {}) {
        auto job = std::make_unique<Job>(node, options);
        Job* raw = job.get();
        PapClientEvents e;
        e.busy = [raw](const std::string& s) { raw->busy.push_back(s); };
        e.message = [raw](std::span<const std::uint8_t> b) {
            raw->messages.insert(raw->messages.end(), b.begin(), b.end());
        };
        e.finished = [raw](PapJobResult r) { raw->result = r; };
        EXPECT_TRUE(job->client.open({0, 130, 130}, std::move(e)));
        job->client.write(bytes);
        job->client.finish();
        return job;
    }
};

TEST_F(PapJobTest, AMultiMegabyteJobArrivesWholeAndInOrderAcrossLossAndDuplication) {
    net.wire.setImpairments({.lossRate = 0.03, .duplicateRate = 0.05, .delay = 1ms, .jitter = 3ms});
    log.reply = "%%[ status: done ]%%\r";
    const auto bytes = randomBytes(3 * 1024 * 1024 + 77, 12);
    auto job = print(workstation, bytes);
    ASSERT_TRUE(net.advanceUntil([&] { return job->result.has_value(); }, 24h));
    EXPECT_EQ(*job->result, PapJobResult::Done);
    ASSERT_EQ(log.jobs.size(), 1u);
    EXPECT_TRUE(log.jobs[0] == bytes) << "received " << log.jobs[0].size() << " of " << bytes.size();
    EXPECT_EQ(job->client.bytesSent(), bytes.size());
    EXPECT_EQ(text(job->messages), log.reply) << "the back channel, once";
    net.wire.setImpairments({});
    net.advance(10s);
    EXPECT_EQ(log.complete, std::vector<bool>{true});
}

TEST_F(PapJobTest, ASmallJobNeedsNoRetryEvenThoughThePrintersFirstSendDataOvertakesItsOpenConnReply) {
    const SteadyTime begin = net.clock.now();
    auto job = print(workstation, {'%', '!', '\n'});
    ASSERT_TRUE(net.advanceUntil([&] { return job->result.has_value(); }, 1min));
    EXPECT_EQ(*job->result, PapJobResult::Done);
    EXPECT_LT(net.clock.now() - begin, 1s);
}

TEST_F(PapJobTest, ABusyPrinterIsAskedAgainAndTakesTheNextJobWhenTheFirstIsDone) {
    net.wire.setImpairments({.delay = 1ms});
    Node& other = net.addNode(21);
    const auto first = randomBytes(200'000, 1);
    const auto second = randomBytes(5'000, 2);
    auto one = print(workstation, first);
    ASSERT_TRUE(net.advanceUntil([&] { return server->isBusy(); }, 10s));
    auto two = print(other, second);
    ASSERT_TRUE(net.advanceUntil([&] { return one->result && two->result; }, 10min));
    EXPECT_EQ(*one->result, PapJobResult::Done);
    EXPECT_EQ(*two->result, PapJobResult::Done);
    ASSERT_FALSE(two->busy.empty()) << "the second job waited";
    EXPECT_EQ(two->busy.front(), "status: busy; source: AppleTalk");
    EXPECT_TRUE(one->busy.empty());
    ASSERT_EQ(log.jobs.size(), 2u);
    EXPECT_TRUE(log.jobs[0] == first);
    EXPECT_TRUE(log.jobs[1] == second);
    EXPECT_GE(server->busyAnswers(), 1u);
}

TEST_F(PapJobTest, APrinterThatGoesAwayMidJobFailsTheJobWithinTheConnectionTimeout) {
    net.wire.setImpairments({.delay = 1ms}); // so the job takes time to stop it in
    auto job = print(workstation, randomBytes(2'000'000, 3));
    ASSERT_TRUE(net.advanceUntil([&] { return job->client.bytesSent() > 100'000; }, 1min));
    server.reset();
    status.reset();
    net.removeNode(*printer);
    const SteadyTime gone = net.clock.now();
    ASSERT_TRUE(net.advanceUntil([&] { return job->result.has_value(); }, 10min));
    EXPECT_EQ(*job->result, PapJobResult::ConnectionLost);
    EXPECT_LE(net.clock.now() - gone, 2min + 1s);
}

TEST_F(PapJobTest, APrinterThatGoesSilentMidJobIsFreeForTheNextJob) {
    net.wire.setImpairments({.delay = 1ms});
    auto job = print(workstation, randomBytes(100'000, 4));
    ASSERT_TRUE(net.advanceUntil([&] { return job->client.bytesSent() > 20'000; }, 1min));
    server->abandonJob();
    ASSERT_TRUE(net.advanceUntil([&] { return job->result.has_value(); }, 10min));
    EXPECT_EQ(*job->result, PapJobResult::ConnectionLost);
    EXPECT_EQ(log.complete, std::vector<bool>{false});
    auto next = print(workstation, {'%', '!'});
    ASSERT_TRUE(net.advanceUntil([&] { return next->result.has_value(); }, 1min));
    EXPECT_EQ(*next->result, PapJobResult::Done);
}

TEST_F(PapJobTest, CancellingClosesTheConnectionAndThePrinterSeesAnIncompleteJob) {
    auto job = std::make_unique<Job>(workstation);
    PapClientEvents e;
    e.finished = [&job](PapJobResult r) { job->result = r; };
    ASSERT_TRUE(job->client.open({0, 130, 130}, std::move(e)));
    job->client.write(randomBytes(50'000, 5)); // no finish(): a job still being written
    ASSERT_TRUE(net.advanceUntil([&] { return job->client.state() == PapClient::State::Open; }, 10s));
    net.advance(1s);
    job->client.cancel();
    ASSERT_TRUE(net.advanceUntil([&] { return job->result.has_value(); }, 10s));
    EXPECT_EQ(*job->result, PapJobResult::Cancelled);
    net.advance(1s);
    EXPECT_EQ(log.complete, std::vector<bool>{false}) << "the printer learnt of it from CloseConn";
    EXPECT_FALSE(server->isBusy());
}

TEST_F(PapJobTest, APrintersMessageReachesTheWorkstationWhileItsJobIsStillComing) {
    net.wire.setImpairments({.delay = 1ms});
    const std::string warning = "%%[ PrinterError: out of paper ]%%\r";
    server = nullptr;
    PapServerEvents e = events();
    e.started = [&](PapServerJob& job) {
        log.jobs.emplace_back();
        job.write(std::vector<std::uint8_t>(warning.begin(), warning.end()));
    };
    server = std::make_unique<PapServer>(*printer, *status, std::move(e));
    auto job = std::make_unique<Job>(workstation);
    Job* raw = job.get();
    PapClientEvents c;
    c.message = [raw](std::span<const std::uint8_t> b) {
        raw->messages.insert(raw->messages.end(), b.begin(), b.end());
    };
    c.finished = [raw](PapJobResult r) { raw->result = r; };
    ASSERT_TRUE(job->client.open({0, 130, 130}, std::move(c)));
    job->client.write(randomBytes(20'000, 6)); // no finish(): the job is still being written
    ASSERT_TRUE(net.advanceUntil([&] { return text(job->messages) == warning; }, 1min));
    EXPECT_FALSE(job->result.has_value());
}

TEST_F(PapJobTest, APrinterThatPausesReceivingIsSentNothingMoreAndKeepsTheConnectionUntilItResumes) {
    net.wire.setImpairments({.delay = 1ms});
    PapServerJob* running = nullptr;
    server = nullptr;
    PapServerEvents e = events();
    e.started = [&](PapServerJob& job) {
        log.jobs.emplace_back();
        running = &job;
    };
    server = std::make_unique<PapServer>(*printer, *status, std::move(e));
    const auto bytes = randomBytes(300'000, 7);
    auto job = print(workstation, bytes);
    ASSERT_TRUE(net.advanceUntil([&] { return !log.jobs.empty() && log.jobs[0].size() >= 50'000; }, 1min));
    running->pauseReceiving();
    net.advance(1s);
    const std::size_t held = log.jobs[0].size();
    net.advance(5min); // beyond the connection timeout: tickles keep it
    EXPECT_EQ(log.jobs[0].size(), held);
    EXPECT_FALSE(job->result.has_value());
    running->resumeReceiving();
    ASSERT_TRUE(net.advanceUntil([&] { return job->result.has_value(); }, 1min));
    EXPECT_EQ(*job->result, PapJobResult::Done);
    EXPECT_TRUE(log.jobs[0] == bytes);
}

TEST_F(PapJobTest, APrinterThatNeverAnswersIsUnreachableAfterFiveTries) {
    status->setAnswering(false);
    const SteadyTime begin = net.clock.now();
    auto job = print(workstation, {'x'});
    ASSERT_TRUE(net.advanceUntil([&] { return job->result.has_value(); }, 1min));
    EXPECT_EQ(*job->result, PapJobResult::Unreachable);
    EXPECT_EQ(net.clock.now() - begin, 10s) << "2 s x five tries";
}

} // namespace
} // namespace appletalk
