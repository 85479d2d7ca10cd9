// SPDX-License-Identifier: MIT
#include "appletalk/afp/volume/Fork.h"

#include "appletalk/afp/volume/BeneathOpener.h"

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace appletalk::afp {
namespace {

// AppleDouble counts in 32 bits.
constexpr std::uint64_t kMaxResourceFork = UINT32_MAX;

} // namespace

Fork::Fork(ResourceForkPlace place, bool writable)
    : fd_(std::move(place.fd)),
      kind_(ForkKind::Resource),
      writable_(writable),
      start_(place.start),
      lengthField_(place.lengthField) {}

std::uint64_t Fork::size() const {
    if (!fd_.valid()) return 0;
    if (kind_ == ForkKind::Data) {
        struct stat status {};
        return ::fstat(fd_.get(), &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
    }
    std::uint8_t bytes[4] = {};
    if (::pread(fd_.get(), bytes, sizeof bytes, static_cast<off_t>(lengthField_)) != sizeof bytes) return 0;
    return (std::uint64_t{bytes[0]} << 24) | (std::uint64_t{bytes[1]} << 16) | (std::uint64_t{bytes[2]} << 8) |
           bytes[3];
}

VolumeResult<std::size_t> Fork::read(std::uint64_t offset, std::span<std::uint8_t> into) const {
    const auto length = size();
    if (offset >= length) return std::size_t{0};
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(into.size(), length - offset));
    std::size_t done = 0;
    while (done < want) {
        const auto got =
            ::pread(fd_.get(), into.data() + done, want - done, static_cast<off_t>(start_ + offset + done));
        if (got < 0) return volumeErrorOf(errno);
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

VolumeError Fork::write(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    if (!writable_ || !fd_.valid()) return VolumeError::AccessDenied;
    const auto end = offset + bytes.size();
    if (kind_ == ForkKind::Resource && (end < offset || end > kMaxResourceFork)) return VolumeError::Io;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto wrote =
            ::pwrite(fd_.get(), bytes.data() + done, bytes.size() - done, static_cast<off_t>(start_ + offset + done));
        if (wrote <= 0) return volumeErrorOf(errno);
        done += static_cast<std::size_t>(wrote);
    }
    if (kind_ == ForkKind::Resource && end > size()) return setResourceLength(end);
    return VolumeError::None;
}

VolumeError Fork::resize(std::uint64_t newSize) {
    if (!writable_ || !fd_.valid()) return VolumeError::AccessDenied;
    if (kind_ == ForkKind::Data)
        return ::ftruncate(fd_.get(), static_cast<off_t>(newSize)) == 0 ? VolumeError::None : volumeErrorOf(errno);
    if (newSize > kMaxResourceFork) return VolumeError::Io;
    // Shorter: the length first, so the header never claims bytes the file lacks.
    if (newSize < size() && setResourceLength(newSize) != VolumeError::None) return VolumeError::Io;
    if (::ftruncate(fd_.get(), static_cast<off_t>(start_ + newSize)) != 0) return volumeErrorOf(errno);
    return setResourceLength(newSize);
}

VolumeError Fork::flush() {
    if (!fd_.valid()) return VolumeError::None;
    return ::fsync(fd_.get()) == 0 ? VolumeError::None : volumeErrorOf(errno);
}

VolumeError Fork::setResourceLength(std::uint64_t length) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
                                   static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
    if (::pwrite(fd_.get(), bytes, sizeof bytes, static_cast<off_t>(lengthField_)) != sizeof bytes)
        return volumeErrorOf(errno);
    return VolumeError::None;
}

} // namespace appletalk::afp
