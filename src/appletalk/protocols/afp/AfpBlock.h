// SPDX-License-Identifier: MIT
// The fields of one AFP request or reply, read and written in the order a layout lists them.
// Most AFP calls are a short run of fixed words, pathnames and strings, so one reader and
// writer driven by a per-call layout (AfpRequest, AfpReply) covers them all; the blocks
// whose shape depends on a bitmap are decoded from the Rest bytes by their own types.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "appletalk/protocols/afp/AfpPath.h"

namespace appletalk::afp {

enum class AfpField : std::uint8_t {
    // Numbers, each kept in a slot of its own.
    Flag, // u8: the flag byte after the command (CreateFile, OpenFork, Write, ...)
    Volume, // u16 volume id
    Directory, // u32 directory id
    DestVolume, // u16
    DestDirectory, // u32
    Bitmap, // u16: the file, volume, fork, APPL or user bitmap
    DirectoryBitmap, // u16
    Reference, // u16: an open fork, an open desktop database, a login continuation id
    AccessMode, // u16 (OpenFork)
    Offset, // u32: fork offset, range start, last written
    Count, // u32: bytes asked for, range length
    ReqCount, // u16: Enumerate's entries asked for
    Index, // u16: start index, icon index, APPL index, message type
    Size, // u16: the largest reply wanted, icon size
    Creator, // u32 OSType
    Type, // u32 OSType
    IconType, // u8
    Tag, // u32: APPL tag, icon tag, file id, user id, backup date, mapped id
    NewlineMask, // u8 (Read)
    NewlineChar, // u8 (Read)
    // Not numbers.
    Pad, // one byte, zero when written, ignored when read
    EvenPad, // a zero byte when needed to bring the next field to an even offset
    Path, // an AfpPath, appended to paths
    Text, // a Pascal string of up to 255 bytes, appended to texts
    VolumeName, // a Pascal string of up to 27 bytes, appended to texts
    Comment, // a Pascal string of up to 199 bytes, appended to texts
    Password, // OpenVol: nothing, or an even pad and 8 bytes, when bytes remain
    Rest, // every byte left: UAM data, a parameter block, read data
};

inline constexpr std::size_t kNumberFields = static_cast<std::size_t>(AfpField::NewlineChar) + 1;
inline constexpr std::size_t kMaxVolumeName = 27;
inline constexpr std::size_t kMaxComment = 199;
inline constexpr std::size_t kPasswordSize = 8;

using AfpLayout = std::span<const AfpField>;

struct AfpBlock {
    std::array<std::uint32_t, kNumberFields> numbers{};
    std::vector<AfpPath> paths;
    std::vector<std::string> texts;
    std::vector<std::uint8_t> password;
    std::vector<std::uint8_t> rest;

    std::uint32_t get(AfpField field) const { return numbers[static_cast<std::size_t>(field)]; }
    void set(AfpField field, std::uint32_t value) { numbers[static_cast<std::size_t>(field)] = value; }

    // Reads the fields of `layout` from `bytes`, which must hold nothing more. `start` is the
    // offset of bytes[0] in the whole block, for EvenPad.
    static std::optional<AfpBlock> parse(AfpLayout layout, std::span<const std::uint8_t> bytes, std::size_t start);
    // Appends the fields; `start` is the offset in the block of the writer's first byte. Marks the writer failed when a number does not fit its width, a
    // string is over its limit, or the paths and texts do not match the layout's count.
    void write(AfpLayout layout, class appletalk::ByteWriter& writer, std::size_t start) const;

    bool operator==(const AfpBlock&) const = default;
};

} // namespace appletalk::afp
