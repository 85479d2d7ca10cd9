// SPDX-License-Identifier: MIT
// One open fork's buffers. Reads that follow on from the last one fetch ahead a window of
// whole transfer units, so a file read in the kernel's small pieces costs few exchanges on
// ASP. Writes that follow on from each other are held and go out in whole units once a
// window is full; a write elsewhere, a read, and the caller's flush send what is held first.
// An error of a held write is kept for the next write or flush, never dropped.
#pragma once

#include "tools/mount/ForkIo.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vidur::mount {

class OpenFile {
public:
    // The window: the whole units nearest to `windowBytes`, at least one.
    OpenFile(ForkIo& io, std::uint16_t reference, std::size_t windowBytes);

    std::uint16_t reference() const { return reference_; }

    // 0 or an errno value; `got` is short only at the fork's end.
    int read(std::uint64_t offset, std::span<std::uint8_t> into, std::size_t& got);
    // 0 or an errno value (this write's own, or a held one's that failed since).
    int write(std::uint64_t offset, std::span<const std::uint8_t> data);
    // Sends what is held; 0, or the error of this send or of a held write before it.
    int sendHeld();
    // Sends what is held and keeps any error for the next write or flush (a getattr's or a
    // read's need: they cannot report a write's failure).
    void sendHeldKeepingError();
    // What was fetched ahead is stale: the fork changed under it.
    void dropReadAhead();
    bool holdsWrites() const { return !held_.empty(); }

private:
    // Copies what the read-ahead buffer has of [offset, ...) into `into`; the bytes copied.
    std::size_t copyFromAhead(std::uint64_t offset, std::span<std::uint8_t> into) const;
    std::size_t roundUpToUnits(std::size_t bytes) const;

    ForkIo& io_;
    std::uint16_t reference_;
    std::size_t unit_;
    std::size_t window_;

    std::uint64_t nextRead_ = 0; // where a read that follows on would start
    std::uint64_t aheadStart_ = 0;
    std::vector<std::uint8_t> ahead_;
    bool aheadReachesEnd_ = false; // the fork ends where the buffer does

    std::uint64_t heldStart_ = 0;
    std::vector<std::uint8_t> held_;
    int keptError_ = 0;
};

} // namespace vidur::mount
