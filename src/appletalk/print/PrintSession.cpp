// SPDX-License-Identifier: MIT
#include "appletalk/print/PrintSession.h"

#include "appletalk/print/PrintJob.h"
#include "appletalk/print/PrinterLookup.h"
#include "appletalk/runtime/ApiResults.h"
#include "appletalk/runtime/Stack.h"
#include "text/MacRoman.h"

#include <cerrno>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

namespace appletalk::print {

namespace {

using namespace std::chrono_literals;
using appletalk::DdpAddress;
using appletalk::runtime::Stack;
using vidur::text::macRomanToUtf8;

constexpr std::size_t kReadChunk = 64 * 1024;
// Bytes read but not yet taken by the printer: enough for several SendData rounds.
constexpr std::uint64_t kHighWater = 512 * 1024;
// A stop that only stopRequested() tells of is seen within this.
constexpr int kWaitSliceMs = 200;

struct Event {
    enum class Kind { LookupDone, Busy, Opened, Message, PrinterError, Drained, Waiting, Dropped, Finished, Lost } kind;
    std::optional<DdpAddress> printer;
    std::string text; // UTF-8
    std::vector<std::uint8_t> bytes;
    std::uint64_t taken = 0;
    PrintOutcome outcome = PrintOutcome::Done;
    PrintWait wait = PrintWait::Answer;
    int lookupStatus = 0; // LookupDone: the look-up's status
};

// Events from the stack's thread to the caller's, with a descriptor that wakes its poll().
class EventQueue {
public:
    EventQueue() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~EventQueue() {
        if (fd_ >= 0) ::close(fd_);
    }
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    void push(Event event) {
        {
            std::lock_guard lock(mutex_);
            events_.push_back(std::move(event));
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(fd_, &one, sizeof one);
    }
    std::deque<Event> take() {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto read = ::read(fd_, &count, sizeof count);
        std::lock_guard lock(mutex_);
        return std::exchange(events_, {});
    }
    // Waits for events, the input (-1: not wanted) or a stop; the input's revents.
    short wait(int input, int stopHandle) const {
        pollfd fds[3] = {{fd_, POLLIN, 0}, {input, POLLIN, 0}, {stopHandle, POLLIN, 0}};
        if (::poll(fds, 3, kWaitSliceMs) <= 0) return 0;
        return fds[1].revents;
    }

private:
    int fd_;
    std::mutex mutex_;
    std::deque<Event> events_;
};

std::string displayName(const appletalk::nbp::NbpName& name) {
    return macRomanToUtf8(name.object) + ":" + macRomanToUtf8(name.type) + "@" + macRomanToUtf8(name.zone);
}

bool stopped(const PrintRequest& request) { return request.stopRequested && request.stopRequested(); }

// Finding the printer: its name looked up on the stack's thread, or its address as given.
struct FoundPrinter {
    std::optional<DdpAddress> address;
    PrintResult failure; // when there is no address
};

FoundPrinter findPrinter(Stack& stack, EventQueue& queue, const PrintRequest& request, PrintObserver& observer) {
    if (!request.name) {
        if (request.address) return {request.address, {}};
        return {std::nullopt, {PrintOutcome::NotFound, "no printer given", 0}};
    }
    observer.lookingUp(displayName(*request.name));
    std::unique_ptr<PrinterLookup> lookup;
    stack.run([&] {
        lookup = std::make_unique<PrinterLookup>(stack.network());
        lookup->start(*request.name, [&queue](std::optional<DdpAddress> printer, int status) {
            queue.push({Event::Kind::LookupDone, printer, {}, {}, 0, {}, {}, status});
        });
    });
    std::optional<Event> done;
    while (!done && !stopped(request)) {
        queue.wait(-1, request.stopHandle);
        for (Event& event : queue.take())
            if (event.kind == Event::Kind::LookupDone) done = std::move(event);
    }
    stack.run([&] { lookup.reset(); });
    if (!done) return {std::nullopt, {PrintOutcome::Interrupted, "interrupted", 0}};
    if (!done->printer && done->lookupStatus == appletalk::runtime::kErrBadReply)
        return {std::nullopt,
                {PrintOutcome::NetworkError,
                 "bad reply: the answers to the look-up of " + displayName(*request.name) + " could not be read", 0}};
    if (!done->printer && done->lookupStatus == appletalk::runtime::kErrServiceGone)
        return {std::nullopt, {PrintOutcome::NetworkError, "the AppleTalk node service went away", 0}};
    if (!done->printer)
        return {std::nullopt, {PrintOutcome::NotFound, displayName(*request.name) + " was not found", 0}};
    return {done->printer, {}};
}

// The job on the caller's side: the input read as fast as the printer takes it, no faster,
// and what the job on the stack's thread does handed to the observer.
class JobPump {
public:
    JobPump(Stack& stack, EventQueue& queue, const PrintRequest& request, PrintObserver& observer)
        : stack_(stack), queue_(queue), request_(request), observer_(observer), chunk_(kReadChunk) {}

    PrintResult run(DdpAddress printer) {
        if (!open(printer)) return {PrintOutcome::NetworkError, "no free socket for the connection", 0};
        while (!finished_) {
            if (stopped(request_)) cancel(PrintOutcome::Interrupted);
            const bool wantInput = !inputDone_ && !cancelled_ && read_ - taken_ < kHighWater;
            const short ready = queue_.wait(wantInput ? request_.input : -1, request_.stopHandle);
            if (wantInput && ready != 0) readInput();
            for (Event& event : queue_.take()) handle(event);
        }
        stack_.run([&] { job_.reset(); });
        PrintResult result{*finished_, {}, taken_};
        if (result.outcome == PrintOutcome::InputError) result.detail = inputProblem_;
        if (lostService_) result.detail = "the AppleTalk node service went away";
        return result;
    }

private:
    bool open(DdpAddress printer) {
        PrintJobOptions options;
        options.stallLimit = request_.stallLimit;
        EventQueue& queue = queue_;
        const bool opened = stack_.run([&] {
            // The host's node service going away ends the job now, not at its stall limit.
            stack_.network().whenLost([&queue] { queue.push({Event::Kind::Lost, {}, {}, {}, 0, {}, {}, 0}); });
            job_ = std::make_unique<PrintJob>(*stack_.node(), options);
            return job_->open(printer, events());
        });
        if (!opened) {
            stack_.run([&] { job_.reset(); });
            return false;
        }
        read_ = request_.prefix.size();
        if (!request_.prefix.empty()) stack_.run([&] { job_->write(request_.prefix); });
        return true;
    }

    PrintJobEvents events() {
        EventQueue& queue = queue_;
        PrintJobEvents events;
        events.busy = [&queue](const std::string& status) {
            queue.push({Event::Kind::Busy, {}, macRomanToUtf8(status), {}, 0, {}, {}, 0});
        };
        events.opened = [&queue] { queue.push({Event::Kind::Opened, {}, {}, {}, 0, {}, {}, 0}); };
        events.message = [&queue](std::span<const std::uint8_t> bytes) {
            queue.push({Event::Kind::Message, {}, {}, {bytes.begin(), bytes.end()}, 0, {}, {}, 0});
        };
        events.printerError = [&queue](const std::string& text) {
            queue.push({Event::Kind::PrinterError, {}, macRomanToUtf8(text), {}, 0, {}, {}, 0});
        };
        events.messagesDropped = [&queue](std::uint64_t bytes) {
            queue.push({Event::Kind::Dropped, {}, {}, {}, bytes, {}, {}, 0});
        };
        events.drained = [&queue](std::uint64_t taken) {
            queue.push({Event::Kind::Drained, {}, {}, {}, taken, {}, {}, 0});
        };
        events.waiting = [&queue](PrintWait what, Duration without) {
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(without).count();
            queue.push({Event::Kind::Waiting, {}, {}, {}, static_cast<std::uint64_t>(seconds), {}, what, 0});
        };
        events.finished = [&queue](PrintOutcome outcome, std::uint64_t taken) {
            queue.push({Event::Kind::Finished, {}, {}, {}, taken, outcome, {}, 0});
        };
        return events;
    }

    void readInput() {
        const ssize_t got = ::read(request_.input, chunk_.data(), chunk_.size());
        if (got > 0) {
            read_ += static_cast<std::uint64_t>(got);
            stack_.run([&] { job_->write(std::span(chunk_.data(), static_cast<std::size_t>(got))); });
        } else if (got == 0) {
            inputDone_ = true;
            stack_.run([&] { job_->finish(); });
        } else if (errno != EINTR && errno != EAGAIN) {
            inputProblem_ = std::strerror(errno);
            inputDone_ = true;
            cancel(PrintOutcome::InputError);
        }
        observer_.progress(taken_, read_, inputDone_);
    }

    void handle(Event& event) {
        switch (event.kind) {
        case Event::Kind::Busy: observer_.busy(event.text); break;
        case Event::Kind::Opened: observer_.opened(); break;
        case Event::Kind::Message: observer_.message(event.bytes); break;
        case Event::Kind::PrinterError: observer_.printerError(event.text); break;
        case Event::Kind::Dropped: observer_.messagesDropped(event.taken); break;
        case Event::Kind::Drained:
            taken_ = event.taken;
            observer_.progress(taken_, read_, inputDone_);
            break;
        case Event::Kind::Waiting:
            observer_.waiting(event.wait, std::chrono::seconds(static_cast<long long>(event.taken)));
            break;
        case Event::Kind::Finished:
            taken_ = event.taken;
            finished_ = event.outcome;
            break;
        case Event::Kind::Lost:
            lostService_ = true;
            finished_ = PrintOutcome::NetworkError;
            break;
        case Event::Kind::LookupDone: break;
        }
    }

    void cancel(PrintOutcome outcome) {
        if (cancelled_) return;
        cancelled_ = true;
        stack_.run([&] { job_->cancel(outcome); });
    }

    Stack& stack_;
    EventQueue& queue_;
    const PrintRequest& request_;
    PrintObserver& observer_;
    std::unique_ptr<PrintJob> job_; // touched on the stack's thread only
    std::vector<std::uint8_t> chunk_;
    std::uint64_t read_ = 0;
    std::uint64_t taken_ = 0;
    bool inputDone_ = false;
    bool cancelled_ = false;
    bool lostService_ = false;
    std::string inputProblem_;
    std::optional<PrintOutcome> finished_;
};

} // namespace

PrintSession::PrintSession(appletalk::runtime::StackSettings settings) : settings_(std::move(settings)) {}

PrintResult PrintSession::run(const PrintRequest& request, PrintObserver& observer) {
    EventQueue queue; // before the stack: its callbacks push here until the stack is gone
    appletalk::runtime::StackOptions options;
    options.firstStartWait = 20s;
    Stack stack(settings_, options);
    if (!stack.isOnline()) return {PrintOutcome::NetworkError, stack.problem(), 0};
    if (!stack.awaitFirstStart()) return {PrintOutcome::NetworkError, "the AppleTalk node did not start", 0};
    if (stack.run([&stack] { return stack.network().startFailure(); }) == appletalk::runtime::kErrNoAddress)
        return {PrintOutcome::NetworkError, Node::noFreeAddressMessage(settings_.networkName()), 0};
    const FoundPrinter printer = findPrinter(stack, queue, request, observer);
    if (!printer.address) return printer.failure;
    observer.found(*printer.address);
    return JobPump(stack, queue, request, observer).run(*printer.address);
}

} // namespace appletalk::print
