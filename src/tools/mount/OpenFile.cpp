// SPDX-License-Identifier: MIT
#include "tools/mount/OpenFile.h"

#include <algorithm>
#include <utility>

namespace vidur::mount {

OpenFile::OpenFile(ForkIo& io, std::uint16_t reference, std::size_t windowBytes)
    : io_(io), reference_(reference), unit_(std::max<std::size_t>(io.transferUnit(), 1)),
      window_(std::max<std::size_t>(windowBytes / unit_, 1) * unit_) {}

std::size_t OpenFile::roundUpToUnits(std::size_t bytes) const { return (bytes + unit_ - 1) / unit_ * unit_; }

std::size_t OpenFile::copyFromAhead(std::uint64_t offset, std::span<std::uint8_t> into) const {
    if (offset < aheadStart_ || offset >= aheadStart_ + ahead_.size()) return 0;
    const std::size_t from = offset - aheadStart_;
    const std::size_t count = std::min(into.size(), ahead_.size() - from);
    std::copy_n(ahead_.begin() + static_cast<std::ptrdiff_t>(from), count, into.begin());
    return count;
}

int OpenFile::read(std::uint64_t offset, std::span<std::uint8_t> into, std::size_t& got) {
    sendHeldKeepingError();
    const bool followsOn = offset == nextRead_;
    got = copyFromAhead(offset, into);
    const std::uint64_t position = offset + got;
    const bool atEnd = aheadReachesEnd_ && position == aheadStart_ + ahead_.size();
    if (got < into.size() && !atEnd) {
        const std::span<std::uint8_t> rest = into.subspan(got);
        if (!followsOn && got == 0) {
            // A jump: exactly what was asked, and nothing fetched ahead of it.
            std::size_t direct = 0;
            const int error = io_.read(reference_, position, rest, direct);
            if (error != 0) return error;
            got += direct;
        } else {
            ahead_.resize(roundUpToUnits(std::max(rest.size(), window_)));
            std::size_t fetched = 0;
            const int error = io_.read(reference_, position, ahead_, fetched);
            if (error != 0) {
                dropReadAhead();
                return error;
            }
            aheadReachesEnd_ = fetched < ahead_.size();
            ahead_.resize(fetched);
            aheadStart_ = position;
            got += copyFromAhead(position, rest);
        }
    }
    nextRead_ = offset + got;
    return 0;
}

int OpenFile::write(std::uint64_t offset, std::span<const std::uint8_t> data) {
    dropReadAhead();
    if (keptError_ != 0) return std::exchange(keptError_, 0);
    if (!held_.empty() && offset != heldStart_ + held_.size()) {
        if (const int error = sendHeld(); error != 0) return error;
    }
    if (held_.empty()) heldStart_ = offset;
    held_.insert(held_.end(), data.begin(), data.end());
    if (held_.size() < window_) return 0;
    // Whole units out; the rest waits for what follows on.
    const std::size_t whole = held_.size() / unit_ * unit_;
    const int error = io_.write(reference_, heldStart_, std::span(held_).first(whole));
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(whole));
    heldStart_ += whole;
    if (error != 0) held_.clear();
    return error;
}

int OpenFile::sendHeld() {
    if (!held_.empty()) {
        const int error = io_.write(reference_, heldStart_, held_);
        held_.clear();
        if (error != 0 && keptError_ == 0) keptError_ = error;
    }
    return std::exchange(keptError_, 0);
}

void OpenFile::sendHeldKeepingError() {
    if (held_.empty()) return;
    const int error = io_.write(reference_, heldStart_, held_);
    held_.clear();
    if (error != 0 && keptError_ == 0) keptError_ = error;
}

void OpenFile::dropReadAhead() {
    ahead_.clear();
    aheadReachesEnd_ = false;
}

} // namespace vidur::mount
