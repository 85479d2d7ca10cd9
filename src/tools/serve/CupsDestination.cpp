// SPDX-License-Identifier: MIT
#include "tools/serve/CupsDestination.h"

#include "text/MacRoman.h"
#include "tools/serve/CupsConnection.h"

#include <cups/cups.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <optional>
#include <system_error>
#include <vector>

namespace vidur::serve {

namespace {

using appletalk::serve::JobReport;
using appletalk::serve::JobSinkEvents;
using vidur::text::macRomanToUtf8;
using vidur::text::utf8Prefix;
using vidur::text::utf8ToMacRoman;
using namespace std::chrono_literals;

// Progress is reported when this much more has gone to CUPS, or the job has caught up.
constexpr std::uint64_t kProgressStep = 64 * 1024;

// The job's bytes from the node's thread to the worker.
struct Channel {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::vector<std::uint8_t>> chunks;
    bool finishing = false;
    std::atomic<bool> cancelled{false};
};

// The job's events, touched only on the node's thread: posted tasks find them gone once the
// sink has been destroyed.
struct Listener {
    bool alive = true;
    JobSinkEvents events;
};

// A Mac text for CUPS: UTF-8, one line, within the 255 bytes of an IPP name (cut between
// characters).
std::string cupsText(const std::string& macRoman) {
    constexpr std::size_t kMaxName = 255;
    std::string text = macRomanToUtf8(macRoman);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    text.resize(utf8Prefix(text, kMaxName).size());
    return text;
}

class CupsJobSink final : public appletalk::serve::JobSink {
public:
    CupsJobSink(std::shared_ptr<Channel> channel, std::shared_ptr<Listener> listener)
        : channel_(std::move(channel)), listener_(std::move(listener)) {}
    ~CupsJobSink() override {
        listener_->alive = false;
        channel_->cancelled.store(true);
        channel_->wake.notify_all();
    }
    void write(std::vector<std::uint8_t> bytes) override {
        {
            std::lock_guard lock(channel_->mutex);
            channel_->chunks.push_back(std::move(bytes));
        }
        channel_->wake.notify_all();
    }
    void finish() override {
        {
            std::lock_guard lock(channel_->mutex);
            channel_->finishing = true;
        }
        channel_->wake.notify_all();
    }

private:
    std::shared_ptr<Channel> channel_;
    std::shared_ptr<Listener> listener_;
};

// One job's way into CUPS, on its worker thread.
class CupsJobRun {
public:
    CupsJobRun(std::shared_ptr<Channel> channel, std::shared_ptr<Listener> listener, CupsDestination::Post post,
               JobWorkers& workers, std::string queue, std::string title, std::string user)
        : channel_(std::move(channel)),
          workers_(workers),
          listener_(std::move(listener)),
          post_(std::move(post)),
          queue_(std::move(queue)),
          title_(std::move(title)),
          user_(std::move(user)) {}

    void run() {
        // libcups keeps the user per thread: each job speaks for its own.
        cupsSetUser(user_.c_str());
        CupsConnection cups(30s, [channel = channel_] { return channel->cancelled.load(); });
        if (!cups.isOpen()) return report(false, cups.problem());
        const int job = cupsCreateJob(cups.http(), queue_.c_str(), title_.c_str(), 0, nullptr);
        if (job <= 0) return report(false, std::string("CUPS refused the job: ") + cupsLastErrorString());
        const std::string name = queue_ + "-" + std::to_string(job);
        cups.arm();
        if (cupsStartDocument(cups.http(), queue_.c_str(), job, title_.c_str(), CUPS_FORMAT_POSTSCRIPT, 1) !=
            HTTP_STATUS_CONTINUE) {
            fail(job, "CUPS did not take job " + name + ": " + cups.breakage());
            return;
        }
        if (!send(cups)) {
            if (channel_->cancelled.load()) return cancel(job);
            return fail(job, "CUPS stopped taking job " + name + ": " + cups.breakage());
        }
        cups.arm();
        const ipp_status_t status = cupsFinishDocument(cups.http(), queue_.c_str());
        // Cancelled while CUPS was confirming (the wait perhaps cut short): the workstation was
        // told it failed.
        if (channel_->cancelled.load()) return cancel(job);
        if (status > IPP_STATUS_OK_EVENTS_COMPLETE)
            return fail(job, "CUPS did not take job " + name + ": " + cupsLastErrorString());
        report(true, "accepted as job " + name);
    }

private:
    // The job's bytes until its end; false when CUPS failed or the job was cancelled.
    bool send(CupsConnection& cups) {
        std::uint64_t sent = 0, reported = 0;
        while (true) {
            std::optional<std::vector<std::uint8_t>> chunk;
            {
                std::unique_lock lock(channel_->mutex);
                channel_->wake.wait(lock, [this] {
                    return !channel_->chunks.empty() || channel_->finishing || channel_->cancelled.load();
                });
                if (channel_->cancelled.load()) return false;
                if (channel_->chunks.empty()) return true; // finishing, all sent
                chunk = std::move(channel_->chunks.front());
                channel_->chunks.pop_front();
            }
            cups.arm();
            if (cupsWriteRequestData(cups.http(), reinterpret_cast<const char*>(chunk->data()), chunk->size()) !=
                HTTP_STATUS_CONTINUE)
                return false;
            sent += chunk->size();
            if (sent - reported >= kProgressStep || caughtUp()) {
                reported = sent;
                progress(sent);
            }
        }
    }

    bool caughtUp() {
        std::lock_guard lock(channel_->mutex);
        return channel_->chunks.empty();
    }

    void fail(int job, const std::string& why) {
        cancel(job);
        report(false, why);
    }

    // Cancels the job in CUPS (as its owner: this thread's user), so a job cut short never
    // prints. On a connection of its own: the job's may have been cut short mid-request, and
    // its waits end once the job is cancelled. With CUPS gone, once it is back.
    void cancel(int job) {
        CupsConnection cups(30s);
        if (cups.isOpen()) {
            const ipp_status_t status = cupsCancelJob2(cups.http(), queue_.c_str(), job, 0);
            // Done, or CUPS has no such job to cancel: only a server that failed is asked again.
            if (status < IPP_STATUS_ERROR_INTERNAL) return;
        }
        workers_.cancelLater({queue_, job, user_});
    }

    void progress(std::uint64_t sent) {
        post_([listener = listener_, sent] {
            if (listener->alive && listener->events.taken) listener->events.taken(sent);
        });
    }

    void report(bool accepted, const std::string& message) {
        post_([listener = listener_, report = JobReport{accepted, utf8ToMacRoman(message).macRoman}] {
            if (!listener->alive || !listener->events.finished) return;
            const auto finished = listener->events.finished;
            finished(report);
        });
    }

    std::shared_ptr<Channel> channel_;
    JobWorkers& workers_;
    std::shared_ptr<Listener> listener_;
    CupsDestination::Post post_;
    std::string queue_;
    std::string title_;
    std::string user_;
};

} // namespace

CupsDestination::CupsDestination(std::string queue, std::string defaultUser, Post post, JobWorkers& workers)
    : queue_(std::move(queue)), defaultUser_(std::move(defaultUser)), post_(std::move(post)), workers_(workers) {}

void CupsDestination::setState(const appletalk::serve::QueueState& state) {
    std::lock_guard lock(mutex_);
    state_ = state;
}

std::unique_ptr<appletalk::serve::JobSink> CupsDestination::open(const appletalk::serve::JobTicket& ticket,
                                                                 JobSinkEvents events) {
    auto channel = std::make_shared<Channel>();
    auto listener = std::make_shared<Listener>();
    listener->events = std::move(events);
    appletalk::serve::QueueState state;
    {
        std::lock_guard lock(mutex_);
        state = state_;
    }
    if (state.stopped) {
        // The job still goes to CUPS, where it waits; the workstation hears why it does not print.
        std::string why = state.reason.empty() ? std::string("the queue is stopped") : state.reason;
        post_([listener, why = why + "; the job waits in the queue"] {
            if (listener->alive && listener->events.notice) listener->events.notice(why);
        });
    }
    const std::string title = ticket.title.empty() ? std::string("Untitled") : cupsText(ticket.title);
    const std::string user = ticket.user.empty() ? defaultUser_ : cupsText(ticket.user);
    auto run = std::make_shared<CupsJobRun>(channel, listener, post_, workers_, queue_, title, user);
    try {
        workers_.start([run] { run->run(); });
    } catch (const std::system_error&) {
        return nullptr; // no thread to be had: the job is refused, the Mac told
    }
    return std::make_unique<CupsJobSink>(channel, listener);
}

} // namespace vidur::serve
