// SPDX-License-Identifier: MIT
// An open fork of a file: the data fork is the Linux file itself, the resource fork a range of
// its AppleDouble file whose length sits in that file's header. A write lands in the file
// before the length grows, so a session killed mid-write leaves the fork as far as it got and
// the header whole.
#pragma once

#include "appletalk/afp/volume/MetadataStore.h"
#include "appletalk/afp/volume/UniqueFd.h"
#include "appletalk/afp/volume/VolumeError.h"

#include <cstdint>
#include <span>

namespace appletalk::afp {

enum class ForkKind { Data, Resource };

class Fork {
public:
    // The data fork.
    Fork(UniqueFd file, bool writable) : fd_(std::move(file)), writable_(writable) {}
    // The resource fork.
    Fork(ResourceForkPlace place, bool writable);

    ForkKind kind() const { return kind_; }
    bool writable() const { return writable_; }

    // Bytes read into `into` from offset; fewer at the fork's end, 0 past it.
    VolumeResult<std::size_t> read(std::uint64_t offset, std::span<std::uint8_t> into) const;
    VolumeError write(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    std::uint64_t size() const;
    VolumeError resize(std::uint64_t size);
    VolumeError flush();

private:
    VolumeError setResourceLength(std::uint64_t length);

    UniqueFd fd_;
    ForkKind kind_ = ForkKind::Data;
    bool writable_ = false;
    std::uint64_t start_ = 0;
    std::uint64_t lengthField_ = 0;
};

} // namespace appletalk::afp
