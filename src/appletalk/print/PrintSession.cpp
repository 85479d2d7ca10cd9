// SPDX-License-Identifier: MIT
#include "appletalk/print/PrintSession.h"

#include "appletalk/runtime/ApiResults.h"
#include "appletalk/runtime/Stack.h"
#include "appletalk/services/pap/PapClient.h"
#include "text/MacRoman.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace appletalk::print {

namespace {

using namespace std::chrono_literals;
using appletalk::DdpAddress;
using appletalk::PapClient;
using appletalk::PapJobResult;
using vidur::text::macRomanToUtf8;

constexpr std::size_t kReadChunk = 64 * 1024;
// Bytes read but not yet taken by the printer: enough for several SendData rounds.
constexpr std::uint64_t kHighWater = 512 * 1024;
constexpr int kWaitSliceMs = 200;
// What is kept of the printer's messages to look for errors in.
constexpr std::size_t kMessageTail = 64 * 1024;

struct Event {
    enum class Kind { Found, LookupDone, Busy, Opened, Message, Drained, Finished } kind;
    DdpAddress address{};
    std::string text;
    std::vector<std::uint8_t> bytes;
    std::uint64_t taken = 0;
    PapJobResult result = PapJobResult::Done;
    int lookupStatus = 0; // LookupDone: the look-up's status
};

// Events from the stack's thread to the caller's, with a descriptor that wakes its poll().
class EventQueue {
public:
    EventQueue() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~EventQueue() {
        if (fd_ >= 0) ::close(fd_);
    }
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
    int fd() const { return fd_; }

private:
    int fd_;
    std::mutex mutex_;
    std::deque<Event> events_;
};

PrintOutcome outcomeOf(PapJobResult result) {
    switch (result) {
    case PapJobResult::Done: return PrintOutcome::Done;
    case PapJobResult::Unreachable: return PrintOutcome::Unreachable;
    case PapJobResult::Refused: return PrintOutcome::Refused;
    case PapJobResult::ConnectionLost: return PrintOutcome::ConnectionLost;
    case PapJobResult::ClosedByPrinter: return PrintOutcome::ClosedByPrinter;
    case PapJobResult::Cancelled: return PrintOutcome::Interrupted;
    }
    return PrintOutcome::Refused;
}

std::string displayName(const appletalk::nbp::NbpName& name) {
    return macRomanToUtf8(name.object) + ":" + macRomanToUtf8(name.type) + "@" + macRomanToUtf8(name.zone);
}

// Waits for events, the input or a stop; returns the revents of the input (0 when not asked).
short waitForWork(const EventQueue& queue, int input, int stopHandle) {
    pollfd fds[3] = {{queue.fd(), POLLIN, 0}, {input, POLLIN, 0}, {stopHandle, POLLIN, 0}};
    const int result = ::poll(fds, 3, kWaitSliceMs);
    if (result <= 0) return 0;
    return fds[1].revents;
}

} // namespace

bool reportsError(std::string_view messages) {
    return messages.find("%%[ Error:") != std::string_view::npos ||
           messages.find("%%[ PrinterError:") != std::string_view::npos;
}

bool looksLikePostScript(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kEpsBinary[] = {0xC5, 0xD0, 0xD3, 0xC6};
    if (head.size() >= 4 && std::equal(head.begin(), head.begin() + 4, kEpsBinary)) return true;
    if (!head.empty() && head[0] == 0x04) head = head.subspan(1);
    if (head.size() >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) head = head.subspan(3);
    return head.size() >= 2 && head[0] == '%' && head[1] == '!';
}

PrintSession::PrintSession(appletalk::runtime::StackSettings settings) : settings_(std::move(settings)) {}

PrintResult PrintSession::run(const PrintRequest& request, PrintObserver& observer) {
    EventQueue queue; // before the stack: its callbacks push here until the stack is gone
    appletalk::runtime::StackOptions options;
    options.firstStartWait = 20s;
    appletalk::runtime::Stack stack(settings_, options);
    if (!stack.isOnline()) return {PrintOutcome::NetworkError, stack.problem(), 0};
    if (!stack.awaitFirstStart()) return {PrintOutcome::NetworkError, "the AppleTalk node did not start", 0};
    const auto stopped = [&request] { return request.stopRequested && request.stopRequested(); };

    // Where the printer is: a look-up of its name, or the address as given.
    DdpAddress printer{};
    if (request.name) {
        observer.lookingUp(displayName(*request.name));
        const appletalk::runtime::LookupParameters parameters{1s, 3, 1};
        const auto lookup = stack.run([&] {
            return stack.network().lookup(
                *request.name, parameters,
                [&queue](const appletalk::nbp::NbpTuple& tuple) {
                    queue.push({Event::Kind::Found, {tuple.network, tuple.node, tuple.socket}, {}, {}, 0, {}});
                },
                [&queue](int status) {
                    queue.push({Event::Kind::LookupDone, {}, {}, {}, 0, {}, status});
                });
        });
        bool done = false, found = false, unreadable = false;
        while (!done && !found) {
            if (stopped()) {
                stack.run([&] { stack.network().cancel(lookup); });
                return {PrintOutcome::Interrupted, "interrupted", 0};
            }
            waitForWork(queue, -1, request.stopHandle);
            for (auto& event : queue.take()) {
                if (event.kind == Event::Kind::Found && !found) {
                    found = true;
                    printer = event.address;
                }
                if (event.kind == Event::Kind::LookupDone) {
                    done = true;
                    unreadable = event.lookupStatus == appletalk::runtime::kErrBadReply;
                }
            }
        }
        stack.run([&] { stack.network().cancel(lookup); });
        if (!found && unreadable)
            return {PrintOutcome::NetworkError,
                    "bad reply: the answers to the look-up of " + displayName(*request.name) + " could not be read", 0};
        if (!found) return {PrintOutcome::NotFound, displayName(*request.name) + " was not found", 0};
    } else if (request.address) {
        printer = *request.address;
    } else {
        return {PrintOutcome::NotFound, "no printer given", 0};
    }
    observer.found(printer);

    // The job: opened on the stack's thread; every event comes back through the queue.
    std::unique_ptr<PapClient> client;
    const bool opened = stack.run([&] {
        client = std::make_unique<PapClient>(*stack.node());
        appletalk::PapClientEvents events;
        events.busy = [&queue](const std::string& status) {
            queue.push({Event::Kind::Busy, {}, macRomanToUtf8(status), {}, 0, {}});
        };
        events.opened = [&queue] { queue.push({Event::Kind::Opened, {}, {}, {}, 0, {}}); };
        events.message = [&queue](std::span<const std::uint8_t> bytes) {
            queue.push({Event::Kind::Message, {}, {}, {bytes.begin(), bytes.end()}, 0, {}});
        };
        events.drained = [&queue, &client] { queue.push({Event::Kind::Drained, {}, {}, {}, client->bytesSent(), {}}); };
        events.finished = [&queue, &client](PapJobResult result) {
            queue.push({Event::Kind::Finished, {}, {}, {}, client->bytesSent(), result});
        };
        return client->open(printer, std::move(events));
    });
    const auto release = [&] { stack.run([&] { client.reset(); }); };
    if (!opened) {
        release();
        return {PrintOutcome::NetworkError, "no free socket for the connection", 0};
    }

    std::uint64_t read = request.prefix.size(), taken = 0;
    if (!request.prefix.empty()) stack.run([&] { client->write(request.prefix); });
    bool inputDone = false, cancelling = false;
    std::optional<std::chrono::steady_clock::time_point> busySince;
    std::optional<PapJobResult> finished;
    PrintOutcome cancelledAs = PrintOutcome::Interrupted;
    std::string inputProblem;
    std::string messages;
    std::vector<std::uint8_t> chunk(kReadChunk);
    const auto cancel = [&](PrintOutcome as) {
        if (cancelling) return;
        cancelling = true;
        cancelledAs = as;
        stack.run([&] { client->cancel(); });
    };
    while (!finished) {
        if (stopped()) cancel(PrintOutcome::Interrupted);
        const bool wantInput = !inputDone && !cancelling && read - taken < kHighWater;
        const short ready = waitForWork(queue, wantInput ? request.input : -1, request.stopHandle);
        if (wantInput && ready != 0) {
            const ssize_t got = ::read(request.input, chunk.data(), chunk.size());
            if (got > 0) {
                read += static_cast<std::uint64_t>(got);
                stack.run([&] { client->write(std::span(chunk.data(), static_cast<std::size_t>(got))); });
            } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
                if (got < 0) inputProblem = std::strerror(errno);
                inputDone = true;
                if (got < 0) {
                    cancel(PrintOutcome::InputError);
                } else {
                    stack.run([&] { client->finish(); });
                }
            }
            observer.progress(taken, read, inputDone);
        }
        for (auto& event : queue.take()) {
            switch (event.kind) {
            case Event::Kind::Busy:
                if (!busySince) busySince = std::chrono::steady_clock::now();
                observer.busy(event.text);
                if (request.busyLimit && std::chrono::steady_clock::now() - *busySince >= *request.busyLimit)
                    cancel(PrintOutcome::StillBusy);
                break;
            case Event::Kind::Opened: observer.opened(); break;
            case Event::Kind::Message:
                messages.append(event.bytes.begin(), event.bytes.end());
                if (messages.size() > kMessageTail) messages.erase(0, messages.size() - kMessageTail);
                observer.message(event.bytes);
                break;
            case Event::Kind::Drained:
                taken = event.taken;
                observer.progress(taken, read, inputDone);
                break;
            case Event::Kind::Finished:
                taken = event.taken;
                finished = event.result;
                break;
            default: break;
            }
        }
    }
    release();
    PrintResult result{outcomeOf(*finished), {}, taken};
    if (*finished == PapJobResult::Cancelled) result.outcome = cancelledAs;
    if (result.outcome == PrintOutcome::InputError) result.detail = inputProblem;
    if (result.outcome == PrintOutcome::Done && reportsError(messages)) result.outcome = PrintOutcome::PrinterError;
    return result;
}

} // namespace appletalk::print
