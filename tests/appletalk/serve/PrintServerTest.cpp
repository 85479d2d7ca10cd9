// SPDX-License-Identifier: MIT
// The print server on virtual time: its node on one network of a simulated internet, a
// destination of the test's own behind it, and a workstation on another network that finds
// the published printer through the router and prints on it.
#include "support/VirtualStack.h"

#include "appletalk/print/PrintJob.h"
#include "appletalk/print/PrinterLookup.h"
#include "appletalk/runtime/NodeNetwork.h"
#include "appletalk/serve/PrintServer.h"
#include "appletalk/sim/SimInternet.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <random>

using namespace std::chrono_literals;

namespace appletalk::serve {
namespace {

using print::PrintOutcome;
using testing::VirtualStack;

constexpr const char* kCampus = R"(client_network = 7
[[network]]
number = 7
zone = "Office"
[[network]]
number = 8
zone = "B\u00e2timent 4"
[[printer]]
name = "Laser"
zone = "B\u00e2timent 4"
)";
constexpr const char* kBatiment = "B\x89timent 4"; // Mac OS Roman

// Takes a job's bytes as the test says: at once, never, or failing part-way; events come
// from a timer, never inside the call that caused them.
class Recorder final : public JobDestination {
public:
    struct Job {
        JobTicket ticket;
        std::vector<std::uint8_t> bytes;
        bool finished = false;
        bool cancelled = false;
    };
    bool holding = false; // takes nothing until released
    std::optional<std::uint64_t> failAfter;
    std::vector<std::shared_ptr<Job>> jobs;

    explicit Recorder(Node& node) : node_(node) {}

    std::unique_ptr<JobSink> open(const JobTicket& ticket, JobSinkEvents events) override {
        jobs.push_back(std::make_shared<Job>(Job{ticket, {}, false, false}));
        auto sink = std::make_unique<Sink>(*this, jobs.back(), std::move(events));
        sinks_.push_back(sink.get());
        return sink;
    }
    void release() {
        holding = false;
        for (Sink* sink : sinks_) sink->catchUp();
    }

private:
    class Sink final : public JobSink {
    public:
        Sink(Recorder& owner, std::shared_ptr<Job> job, JobSinkEvents events)
            : owner_(owner), job_(std::move(job)), events_(std::move(events)) {}
        ~Sink() override {
            if (!job_->finished) job_->cancelled = true;
            std::erase(owner_.sinks_, this);
            owner_.node_.timers().cancel(timer_);
        }
        void write(std::vector<std::uint8_t> bytes) override {
            job_->bytes.insert(job_->bytes.end(), bytes.begin(), bytes.end());
            catchUp();
        }
        void finish() override {
            ending_ = true;
            catchUp();
        }
        void catchUp() {
            if (owner_.holding || timer_ != 0) return;
            timer_ = owner_.node_.timers().scheduleAfter(Duration::zero(), [this] {
                timer_ = 0;
                if (owner_.failAfter && job_->bytes.size() > *owner_.failAfter)
                    return events_.finished({false, "the disk is full"});
                events_.taken(job_->bytes.size());
                if (!ending_ || job_->finished) return;
                job_->finished = true;
                events_.finished({true, "accepted as job laser-" + std::to_string(owner_.jobs.size())});
            });
        }

    private:
        Recorder& owner_;
        std::shared_ptr<Job> job_;
        JobSinkEvents events_;
        bool ending_ = false;
        TimerId timer_ = 0;
    };

    Node& node_;
    std::vector<Sink*> sinks_;
};

struct Log final : ServeLog {
    std::vector<nbp::NbpName> names;
    std::vector<std::string> refused;
    std::vector<JobRecord> ended;
    void published(const std::string&, const nbp::NbpName& name) override { names.push_back(name); }
    void notPublished(const std::string& queue, const nbp::NbpName&, const std::string& why) override {
        refused.push_back(queue + ": " + why);
    }
    void jobEnded(const std::string&, const JobRecord& record) override { ended.push_back(record); }
};

std::vector<std::uint8_t> jobOf(const std::string& header, std::size_t size) {
    std::vector<std::uint8_t> job(header.begin(), header.end());
    std::mt19937 random(9);
    while (job.size() < size) job.push_back(static_cast<std::uint8_t>('!' + random() % 90));
    return job;
}

struct OnTheCampus : ::testing::Test {
    OnTheCampus() {
        NodeConfig config;
        config.acquisition.role = NodeRole::Server;
        stack.internet().probeTimingFor(8).applyTo(config.acquisition);
        serverNode = std::make_unique<Node>(stack.clock, *serverLink, config);
        stack.driver.add(*serverNode);
        serverNode->start();
        serverNetwork = std::make_unique<runtime::NodeNetwork>(*serverNode);
        recorder = std::make_shared<Recorder>(*serverNode);
    }
    ~OnTheCampus() override {
        server.reset();
        serverNetwork.reset();
        stack.driver.remove(*serverNode);
    }

    void serve(ServeLimits limits = {}) {
        server = std::make_unique<PrintServer>(*serverNode, *serverNetwork, limits, log);
        PublishedPrinter laser{
            "laser", {"Laser One", "LaserWriter", "*"}, PrinterDescription::genericLevel2(), {}, recorder};
        server->publish(laser);
        laser.queue = "taken";
        laser.name.object = "Laser"; // a simulated printer of that name is there already
        server->publish(laser);
        ASSERT_TRUE(stack.runUntil([&] { return log.names.size() == 1 && log.refused.size() == 1; }, 1min));
    }

    // Found from the workstation's network, through the router.
    std::optional<DdpAddress> find() {
        std::optional<std::optional<DdpAddress>> found;
        print::PrinterLookup lookup(stack.stack->network());
        lookup.start({"Laser One", "LaserWriter", kBatiment}, [&](std::optional<DdpAddress> at, int) { found = at; });
        EXPECT_TRUE(stack.runUntil([&] { return found.has_value(); }));
        return found.value_or(std::nullopt);
    }

    struct Printing {
        std::unique_ptr<print::PrintJob> job;
        std::optional<PrintOutcome> outcome;
        std::string messages;
    };
    std::unique_ptr<Printing> print(const std::vector<std::uint8_t>& bytes, bool finish = true) {
        auto printing = std::make_unique<Printing>();
        const auto at = find();
        EXPECT_TRUE(at.has_value());
        if (!at) return printing;
        // A Mac waits as long as the printer keeps the connection: no stall limit of its own.
        print::PrintJobOptions options;
        options.stallLimit = Duration::zero();
        printing->job = std::make_unique<print::PrintJob>(*stack.stack->node(), options);
        print::PrintJobEvents events;
        Printing* raw = printing.get();
        events.message = [raw](std::span<const std::uint8_t> b) { raw->messages.append(b.begin(), b.end()); };
        events.finished = [raw](PrintOutcome how, std::uint64_t) { raw->outcome = how; };
        EXPECT_TRUE(printing->job->open(*at, std::move(events)));
        printing->job->write(bytes);
        if (finish) printing->job->finish();
        return printing;
    }

    testing::ScopedEnvironment files;
    VirtualStack stack{nullptr, 7, VirtualStack::scenarioFile(files, "campus.toml", kCampus)};
    std::unique_ptr<Link> serverLink = stack.internet().wireFor(8)->connect();
    std::unique_ptr<Node> serverNode;
    std::unique_ptr<runtime::NodeNetwork> serverNetwork;
    std::shared_ptr<Recorder> recorder;
    Log log;
    std::unique_ptr<PrintServer> server;
};

TEST_F(OnTheCampus, AMacOnAnotherNetworkFindsThePublishedPrinterThroughTheRouterAndPrintsOnIt) {
    ASSERT_TRUE(stack.start());
    serve();
    EXPECT_EQ(log.names[0], (nbp::NbpName{"Laser One", "LaserWriter", kBatiment}));
    EXPECT_EQ(server->printers()[1].state, PublishState::NameInUse);
    const auto bytes = jobOf("%!PS-Adobe-3.0\r%%Title: (Budget \\(draft\\))\r%%For: Jane\r%%EndComments\r", 300'000);
    auto printing = print(bytes);
    ASSERT_TRUE(stack.runUntil([&] { return printing->outcome.has_value(); }, 10min));
    EXPECT_EQ(*printing->outcome, PrintOutcome::Done) << printing->messages;
    EXPECT_EQ(printing->messages, "%%[ status: accepted as job laser-1 ]%%\r");
    ASSERT_EQ(recorder->jobs.size(), 1u);
    EXPECT_TRUE(recorder->jobs[0]->bytes == bytes);
    EXPECT_EQ(recorder->jobs[0]->ticket.title, "Budget (draft)");
    EXPECT_EQ(recorder->jobs[0]->ticket.user, "Jane");
    ASSERT_TRUE(stack.runUntil([&] { return log.ended.size() == 1; }));
    EXPECT_TRUE(log.ended[0].printed);
}

TEST_F(OnTheCampus, AJobTheQueueFailsOrThatOutgrowsTheLimitIsCancelledThereAndTheMacToldOfIt) {
    ASSERT_TRUE(stack.start());
    serve({.maxJobBytes = 200'000});
    const auto header = "%!PS-Adobe-3.0\n%%Title: Big\n%%EndComments\n";
    for (const std::size_t size : {100'000u, 300'000u}) {
        recorder->failAfter = size == 100'000 ? std::optional<std::uint64_t>(50'000) : std::nullopt;
        auto printing = print(jobOf(header, size));
        ASSERT_TRUE(stack.runUntil([&] { return printing->outcome.has_value(); }, 10min));
        EXPECT_EQ(*printing->outcome, PrintOutcome::PrinterError) << size;
        EXPECT_NE(printing->messages.find(size == 100'000 ? "%%[ Error: the disk is full ]%%"
                                                          : "%%[ Error: the job is larger than 200000 bytes"),
                  std::string::npos)
            << printing->messages;
        EXPECT_NE(printing->messages.find("%%[ Flushing: rest of job"), std::string::npos);
    }
    ASSERT_EQ(recorder->jobs.size(), 2u);
    EXPECT_FALSE(recorder->jobs[0]->finished);
    EXPECT_TRUE(recorder->jobs[1]->cancelled) << "the job over the limit never printed";
    EXPECT_LE(recorder->jobs[1]->bytes.size(), 200'000u);
}

TEST_F(OnTheCampus, AQueueThatTakesNothingHoldsTheJobBackWithoutLosingAByte) {
    ASSERT_TRUE(stack.start());
    const ServeLimits limits;
    serve(limits);
    recorder->holding = true;
    const auto bytes = jobOf("%!PS-Adobe-3.0\n", 3'000'000);
    auto printing = print(bytes);
    ASSERT_TRUE(stack.runUntil(
        [&] { return recorder->jobs.size() == 1 && recorder->jobs[0]->bytes.size() > limits.highWater; }, 10min));
    stack.advance(5min); // beyond PAP's own timeout: tickles keep the connection
    EXPECT_LE(recorder->jobs[0]->bytes.size(), limits.highWater + 4096) << "one SendData's worth over the mark";
    EXPECT_FALSE(printing->outcome.has_value());
    recorder->release();
    ASSERT_TRUE(stack.runUntil([&] { return printing->outcome.has_value(); }, 10min));
    EXPECT_EQ(*printing->outcome, PrintOutcome::Done);
    EXPECT_TRUE(recorder->jobs[0]->bytes == bytes);
}

TEST_F(OnTheCampus, StoppingCancelsTheRunningJobClosesItsConnectionAndTakesTheNamesAway) {
    ASSERT_TRUE(stack.start());
    serve();
    auto printing = print(jobOf("%!PS-Adobe-3.0\n", 100'000), false);
    ASSERT_TRUE(stack.runUntil([&] { return server->runningJobs() == 1 && !recorder->jobs.empty(); }, 1min));
    server->stop();
    ASSERT_TRUE(stack.runUntil([&] { return printing->outcome.has_value() && server->isStopped(); }, 1min));
    EXPECT_EQ(*printing->outcome, PrintOutcome::ClosedByPrinter);
    EXPECT_TRUE(recorder->jobs[0]->cancelled);
    EXPECT_EQ(find(), std::nullopt);
}

} // namespace
} // namespace appletalk::serve
