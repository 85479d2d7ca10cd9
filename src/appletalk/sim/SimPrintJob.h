// SPDX-License-Identifier: MIT
// One job on a simulated printer: its bytes go to a file of their own in the spool folder
// (when there is one), exactly as received; the title comes from the job's "%%Title:" comment
// and names the file and the status text. The file is written as a hidden ".part" file and
// given its name only when the whole job has come, so a folder never shows half a job.
// A query job ("%!PS-Adobe-3.0 Query") prints nothing: it is kept in memory to be answered.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace appletalk::sim {

class SimPrintJob {
public:
    // `spoolDirectory` empty: the bytes are counted and dropped.
    SimPrintJob(std::string spoolDirectory, std::uint64_t number);
    ~SimPrintJob(); // an unfinished job leaves no file
    SimPrintJob(const SimPrintJob&) = delete;
    SimPrintJob& operator=(const SimPrintJob&) = delete;

    void append(std::span<const std::uint8_t> bytes);
    // The workstation's EOF: a job too short to end its first line is decided now.
    void inputEnded();
    // The whole job came: the spool file gets its name. Empty when there is no spool folder
    // or the file could not be written (the reason in problem()).
    std::string complete();

    std::uint64_t bytes() const { return bytes_; }
    // Known once the first line has come (or the job has ended).
    bool isQuery() const { return kind_ == Kind::Query; }
    // A query job's text, its first 64 KiB.
    const std::string& queryText() const { return queryText_; }
    // From "%%Title:" in the job's first lines, without parentheses; empty until seen.
    const std::string& title() const { return title_; }
    const std::string& problem() const { return problem_; }

    // "status: busy; source: AppleTalk; job: TITLE; N bytes"
    std::string statusText() const;

    // The title as a file name part: no slashes, control characters or leading dots, at most
    // 64 bytes; "untitled" when empty.
    static std::string fileNamePart(const std::string& title);

private:
    enum class Kind { Undecided, Document, Query };

    void findTitle(std::span<const std::uint8_t> bytes);
    // Holds the bytes back until the first line tells a query job from a document.
    void decideKind(std::span<const std::uint8_t> bytes, bool ended);
    void keep(std::span<const std::uint8_t> bytes);
    void discardFile();

    std::string directory_;
    std::uint64_t number_;
    std::string partPath_;
    std::FILE* file_ = nullptr;
    std::uint64_t bytes_ = 0;
    std::string head_; // the first bytes, until the title is found or given up on
    bool titleSearchDone_ = false;
    std::string title_;
    std::string problem_;
    Kind kind_ = Kind::Undecided;
    std::string firstLine_; // held while Undecided
    std::string queryText_;
};

} // namespace appletalk::sim
