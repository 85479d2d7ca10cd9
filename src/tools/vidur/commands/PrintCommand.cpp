// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/PrintCommand.h"

#include "appletalk/print/PrintSession.h"
#include "text/MacRoman.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/cli/LibraryStatus.h"
#include "tools/vidur/cli/StopSignal.h"
#include "tools/vidur/cli/UsageError.h"
#include "tools/vidur/commands/PrintProgress.h"
#include "tools/vidur/commands/PrinterTarget.h"
#include "tools/vidur/output/TerminalText.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace vidur::cli {

namespace {

using appletalk::print::PrintOutcome;
using vidur::text::macRomanToUtf8;

constexpr std::size_t kHeadBytes = 8;

std::string field(const char* text, std::size_t size) { return std::string(text, strnlen(text, size)); }

// One input: a file, or standard input for "-".
struct Input {
    std::string label;
    int fd = -1;
    bool owned = false;
    std::vector<std::uint8_t> head; // its first bytes, read to check the type
    std::optional<std::uint64_t> size;

    ~Input() {
        if (owned && fd >= 0) ::close(fd);
    }
};

// Reads up to kHeadBytes; short only at the end of the input.
bool readHead(Input& input) {
    input.head.resize(kHeadBytes);
    std::size_t got = 0;
    while (got < kHeadBytes) {
        const ssize_t n = ::read(input.fd, input.head.data() + got, kHeadBytes - got);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    input.head.resize(got);
    return true;
}

std::unique_ptr<Input> openInput(const std::string& path, std::string& problem) {
    auto input = std::make_unique<Input>();
    if (path == "-") {
        input->label = "standard input";
        input->fd = STDIN_FILENO;
    } else {
        input->label = path;
        input->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        input->owned = true;
        if (input->fd < 0) {
            problem = path + ": " + std::strerror(errno);
            return nullptr;
        }
    }
    struct stat info {};
    if (::fstat(input->fd, &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            problem = path + ": is a folder";
            return nullptr;
        }
        if (S_ISREG(info.st_mode)) input->size = static_cast<std::uint64_t>(info.st_size);
    }
    if (!readHead(*input)) {
        problem = input->label + ": " + std::strerror(errno);
        return nullptr;
    }
    return input;
}

struct Destination {
    std::optional<appletalk::nbp::NbpName> name;
    std::optional<appletalk::DdpAddress> address;
    std::string display;
};

Destination destination(const ParsedArguments& arguments) {
    Destination to;
    _NBPTuple tuple{};
    if (const auto given = arguments.value("to")) {
        const PrinterTarget target = PrinterTarget::parse(*given);
        to.display = target.display();
        tuple = target.tuple();
        if (target.isAddress()) {
            to.address = appletalk::DdpAddress{tuple.address.network, tuple.address.nodeID, tuple.address.socket};
            return to;
        }
    } else {
        const auto chosen = appletalk::runtime::StackSettings::readDefaultPrinter();
        if (!chosen) throw UsageError("no default printer: choose one with `vidur chooser`, or say which with --to");
        tuple = *chosen;
    }
    const auto& entity = tuple.entity;
    to.name = appletalk::nbp::NbpName{field(entity.object, sizeof entity.object),
                                      field(entity.type, sizeof entity.type), field(entity.zone, sizeof entity.zone)};
    if (to.name->zone.empty()) to.name->zone = "*";
    if (to.display.empty())
        to.display =
            macRomanToUtf8(to.name->object) + ":" + macRomanToUtf8(to.name->type) + "@" + macRomanToUtf8(to.name->zone);
    return to;
}

// The exit status and the line that explains it, for one job's outcome.
int report(const appletalk::print::PrintResult& result, const Destination& to, const Input& input,
           std::chrono::seconds limit, CommandIo& io) {
    // The default printer's name came from the network, by way of the Chooser: escaped as the
    // printer's own words are.
    const std::string prefix = "vidur print: " + escapeControls(input.label) + ": " + escapeControls(to.display);
    const std::string after = std::to_string(limit.count()) + " s";
    const std::string bytes = std::to_string(result.bytesTaken) + " bytes";
    switch (result.outcome) {
    case PrintOutcome::Done: return kExitSuccess;
    case PrintOutcome::PrinterError: io.err << prefix << " reported an error (above)\n"; return kExitNothingFound;
    case PrintOutcome::NotFound: io.err << prefix << " was not found\n"; return kExitNothingFound;
    case PrintOutcome::Unreachable: io.err << prefix << " does not answer\n"; return kExitNothingFound;
    case PrintOutcome::StillBusy:
        io.err << prefix << " stayed busy for " << after << "; nothing was printed\n";
        return kExitNothingFound;
    case PrintOutcome::Stalled:
        io.err << prefix << " took nothing more for " << after << " after " << bytes << "; the job is not printed\n";
        return kExitNothingFound;
    case PrintOutcome::Unconfirmed:
        io.err << prefix << " took the whole job (" << bytes << ") but did not say it was done within " << after
               << "\n";
        return kExitNothingFound;
    case PrintOutcome::Refused: io.err << prefix << " refused the connection\n"; return kExitNothingFound;
    case PrintOutcome::BadReply:
        io.err << prefix << ": " << LibraryStatus::describe(LibraryStatus::kBadReply) << "\n";
        return kExitError;
    case PrintOutcome::ConnectionLost:
        io.err << prefix << " went away after taking " << bytes << "; the job is lost\n";
        return kExitNothingFound;
    case PrintOutcome::ClosedByPrinter:
        io.err << prefix << " closed the connection after " << bytes << "\n";
        return kExitNothingFound;
    case PrintOutcome::Interrupted:
        io.err << "vidur print: " << escapeControls(input.label) << ": interrupted; the connection is closed\n";
        return kExitInterrupted;
    case PrintOutcome::NetworkError:
        io.err << "vidur print: " << escapeControls(result.detail) << "\n";
        return kExitError;
    case PrintOutcome::InputError:
        io.err << "vidur print: " << escapeControls(input.label) << ": " << escapeControls(result.detail) << "\n";
        return kExitError;
    }
    return kExitError;
}

} // namespace

std::string PrintCommand::details() const {
    return "Each FILE is one job; \"-\" or no FILE reads standard input. Without --to the job goes to the\n"
           "default printer (the one last chosen in the Chooser). A file that does not begin with %!\n"
           "is refused unless --raw is given. The printer's messages appear on standard error; on a\n"
           "terminal a progress bar too. While the printer makes no progress you hear so every 10 s,\n"
           "and after --timeout seconds (default 120, 0 for never) the job ends. Ctrl-C closes the\n"
           "connection. Only what the printer takes, and its end of the job, count as progress: a\n"
           "printer that talks without end is not waited for past --timeout either, and only the\n"
           "first 64 KiB of its messages are shown. A printer error that passes (paper out) is\n"
           "shown and the job goes on. Exit status 0 when the printer took every job, 1 when it\n"
           "reported an error, went away, stayed busy or silent, or could not be reached, 2 for bad\n"
           "usage, an unreadable file, no network or a reply that cannot be read, 130 after Ctrl-C.\n";
}

std::vector<OptionSpec> PrintCommand::options() const {
    return {{"to", "PRINTER", "NAME[:TYPE][@ZONE] or NET.NODE:SOCKET (default: the default printer)"},
            {"raw", {}, "send files that are not PostScript as they are"},
            {"timeout", "S", "end a job the printer makes no progress on for S seconds (default 120, 0: never)"}};
}

int PrintCommand::run(const ParsedArguments& arguments, CommandIo& io) {
    const Destination to = destination(arguments);
    const std::chrono::seconds limit(
        arguments.integer("timeout", appletalk::print::kDefaultStallLimit.count(), 0, 86400));
    std::vector<std::string> paths = arguments.positionals();
    if (paths.empty()) paths.push_back("-");
    // Every file is opened and checked before the first job goes, so a typo sends nothing.
    std::vector<std::unique_ptr<Input>> inputs;
    for (const std::string& path : paths) {
        std::string problem;
        auto input = openInput(path, problem);
        if (!input) {
            io.err << "vidur print: " << problem << "\n";
            return kExitError;
        }
        if (!arguments.has("raw") && !appletalk::print::looksLikePostScript(input->head)) {
            io.err << "vidur print: " << input->label
                   << " is not PostScript (it does not begin with %!); --raw sends it as it is\n";
            return kExitError;
        }
        inputs.push_back(std::move(input));
    }

    const StopSignal stop;
    appletalk::print::PrintSession session(appletalk::runtime::StackSettings::load());
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    for (const auto& input : inputs) {
        appletalk::print::PrintRequest request;
        request.name = to.name;
        request.address = to.address;
        request.input = input->fd;
        request.prefix = input->head;
        request.stopRequested = [] { return StopSignal::requested(); };
        request.stopHandle = stop.waitHandle();
        request.stallLimit = limit;
        PrintProgress progress(io.err, input->label, to.display, input->size, terminal);
        const auto result = session.run(request, progress);
        progress.clear();
        if (const int status = report(result, to, *input, limit, io); status != kExitSuccess) return status;
        if (terminal || inputs.size() > 1)
            io.err << "vidur print: " << escapeControls(input->label) << ": " << result.bytesTaken
                   << " bytes printed on " << escapeControls(to.display) << "\n";
    }
    return kExitSuccess;
}

} // namespace vidur::cli
