// SPDX-License-Identifier: MIT
#include "appletalk/sim/SimPrintJob.h"

#include "appletalk/protocols/postscript/QueryJob.h"
#include "text/AsciiText.h"
#include "text/MacRoman.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <utility>

namespace appletalk::sim {

namespace {

using vidur::text::trimmed;

// The header comments of a PostScript job come first; the title is looked for there only.
constexpr std::size_t kTitleSearchLimit = 8192;
constexpr std::size_t kMaxFileNamePart = 64;
constexpr std::string_view kTitleComment = "%%Title:";
// A query job's first line is short; a document's may be anything, and is not held longer.
constexpr std::size_t kFirstLineLimit = 256;
constexpr std::size_t kMaxQueryJob = 64 * 1024;

} // namespace

SimPrintJob::SimPrintJob(std::string spoolDirectory, std::uint64_t number)
    : directory_(std::move(spoolDirectory)), number_(number) {
    if (directory_.empty()) return;
    partPath_ = directory_ + "/.job-" + std::to_string(::getpid()) + "-" + std::to_string(number_) + ".part";
    file_ = std::fopen(partPath_.c_str(), "wb");
    if (!file_) problem_ = partPath_ + ": " + std::strerror(errno);
}

SimPrintJob::~SimPrintJob() { discardFile(); }

void SimPrintJob::append(std::span<const std::uint8_t> bytes) {
    bytes_ += bytes.size();
    if (!titleSearchDone_) findTitle(bytes);
    if (kind_ == Kind::Undecided) {
        decideKind(bytes, false);
        return;
    }
    keep(bytes);
}

void SimPrintJob::inputEnded() {
    if (kind_ == Kind::Undecided) decideKind({}, true);
}

void SimPrintJob::decideKind(std::span<const std::uint8_t> bytes, bool ended) {
    firstLine_.append(bytes.begin(), bytes.end());
    if (!ended && firstLine_.find_first_of("\r\n") == std::string::npos && firstLine_.size() < kFirstLineLimit) return;
    kind_ = postscript::QueryJob::isQueryJob(firstLine_) ? Kind::Query : Kind::Document;
    const std::string held = std::exchange(firstLine_, {});
    if (kind_ == Kind::Query) discardFile();
    keep(std::span(reinterpret_cast<const std::uint8_t*>(held.data()), held.size()));
}

void SimPrintJob::keep(std::span<const std::uint8_t> bytes) {
    if (kind_ == Kind::Query) {
        const std::size_t room = kMaxQueryJob - queryText_.size();
        queryText_.append(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(room, bytes.size())));
        return;
    }
    if (file_ && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        problem_ = partPath_ + ": " + std::strerror(errno);
        discardFile();
    }
}

void SimPrintJob::discardFile() {
    if (!file_) return;
    std::fclose(file_);
    std::remove(partPath_.c_str());
    file_ = nullptr;
}

void SimPrintJob::findTitle(std::span<const std::uint8_t> bytes) {
    head_.append(bytes.begin(), bytes.end());
    std::size_t lineStart = 0;
    while (true) {
        const auto end = head_.find_first_of("\r\n", lineStart);
        if (end == std::string::npos) break;
        const std::string_view line(head_.data() + lineStart, end - lineStart);
        if (line.starts_with(kTitleComment)) {
            std::string title = trimmed(std::string(line.substr(kTitleComment.size())));
            if (title.size() >= 2 && title.front() == '(' && title.back() == ')')
                title = title.substr(1, title.size() - 2);
            title_ = std::move(title);
            titleSearchDone_ = true;
            break;
        }
        // Header comments end at %%EndComments or at the first line that is no comment.
        if (line == "%%EndComments" || (!line.empty() && !line.starts_with("%"))) {
            titleSearchDone_ = true;
            break;
        }
        lineStart = end + 1;
    }
    if (head_.size() >= kTitleSearchLimit) titleSearchDone_ = true;
    if (titleSearchDone_) {
        head_.clear();
        head_.shrink_to_fit();
    }
}

std::string SimPrintJob::complete() {
    inputEnded();
    if (!file_) return {};
    const bool flushed = std::fflush(file_) == 0 && ::fsync(::fileno(file_)) == 0;
    std::fclose(file_);
    file_ = nullptr;
    if (!flushed) {
        problem_ = partPath_ + ": " + std::strerror(errno);
        std::remove(partPath_.c_str());
        return {};
    }
    // link() refuses an existing name, so two printers sharing a folder never overwrite a job.
    const std::string stem = fileNamePart(title_);
    for (std::uint64_t n = number_; n < number_ + 100000; ++n) {
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "%04llu-", static_cast<unsigned long long>(n));
        const std::string path = directory_ + "/" + prefix + stem + ".ps";
        if (::link(partPath_.c_str(), path.c_str()) == 0) {
            ::unlink(partPath_.c_str());
            return path;
        }
        if (errno != EEXIST) {
            problem_ = path + ": " + std::strerror(errno);
            break;
        }
    }
    std::remove(partPath_.c_str());
    return {};
}

std::string SimPrintJob::statusText() const {
    std::string text = "status: busy; source: AppleTalk";
    if (!title_.empty()) text += "; job: " + title_;
    text += "; " + std::to_string(bytes_) + " bytes";
    return text;
}

std::string SimPrintJob::fileNamePart(const std::string& title) {
    // Cut between characters: a cut through a UTF-8 sequence would leave a name that is not text.
    std::string part(vidur::text::utf8Prefix(title, kMaxFileNamePart));
    for (char& c : part) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || byte < 0x20 || byte == 0x7F || (&c == part.data() && c == '.')) c = '_';
    }
    return part.empty() ? "untitled" : part;
}

} // namespace appletalk::sim
