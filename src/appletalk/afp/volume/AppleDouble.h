// SPDX-License-Identifier: MIT
// The AppleDouble version 2 container (RFC 1740) in which a file's Mac metadata is kept on
// disk: a header (magic, version, 16 bytes of filler, an entry count) and a table of entries,
// each an ID, an offset from the start and a length, all big-endian. docs/appleshare-on-disk.md
// gives the entries and where they are kept.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace appletalk::afp {

inline constexpr std::uint32_t kAppleDoubleMagic = 0x00051607;
inline constexpr std::uint32_t kAppleDoubleVersion = 0x00020000;
inline constexpr std::size_t kAppleDoubleHeaderBytes = 26;
inline constexpr std::size_t kAppleDoubleEntryBytes = 12;

// Entry IDs: RFC 1740's, then the private ones of the Linux server layout (device, inode,
// database stamp, file ID), which have no RFC number.
enum class AppleDoubleEntry : std::uint32_t {
    ResourceFork = 2,
    Comment = 4,
    FileDates = 8,
    FinderInfo = 9,
    AfpFileInfo = 14,
    PrivateDevice = 16,
    PrivateInode = 17,
    PrivateStamp = 18,
    PrivateId = 19,
};

struct AppleDoubleEntryRef {
    std::uint32_t id = 0;
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

struct AppleDoubleHeader {
    std::vector<AppleDoubleEntryRef> entries;

    // The header and its table, or nothing when the bytes are not AppleDouble version 2 or
    // an entry lies past fileSize.
    static std::optional<AppleDoubleHeader> parse(std::span<const std::uint8_t> bytes, std::uint64_t fileSize);
    std::vector<std::uint8_t> serialize() const;
    const AppleDoubleEntryRef* find(AppleDoubleEntry id) const;
    std::size_t bytes() const { return kAppleDoubleHeaderBytes + entries.size() * kAppleDoubleEntryBytes; }
};

// Seconds from 2000-01-01 00:00 UTC, as AppleDouble and AFP count them.
inline constexpr std::int32_t kNeverBackedUp = INT32_MIN;

// What the Mac keeps about a file or folder beside its forks.
struct MacMetadata {
    std::array<std::uint8_t, 32> finderInfo{};
    std::string comment; // Mac OS Roman, at most kMaxCommentBytes
    std::int32_t created = 0;
    std::int32_t modified = 0;
    std::int32_t backedUp = kNeverBackedUp;
    std::int32_t accessed = 0;
    std::uint16_t attributes = 0; // AFP's file and folder attribute bits kept on disk
    std::uint32_t id = 0; // the file or folder ID, 0 when none was given yet
    std::uint64_t device = 0; // where that ID was given, to tell a copy from the original
    std::uint64_t inode = 0;
    std::array<std::uint8_t, 8> stamp{}; // which volume database gave the ID

    static constexpr std::size_t kMaxCommentBytes = 199;
    bool operator==(const MacMetadata&) const = default;
};

// The metadata record: header and entries at the fixed places the Linux layout gives them,
// 402 bytes. parse() reads any AppleDouble version 2 record by its table, taking what it has;
// bytes may be the head of a longer file (fileSize), whose entries past them are left out.
std::vector<std::uint8_t> serializeMetadata(const MacMetadata& metadata);
std::optional<MacMetadata> parseMetadata(std::span<const std::uint8_t> bytes, std::uint64_t fileSize = 0);

// The head of an AppleDouble file of ours beside a data file: the same entries, then the
// resource fork's entry, its bytes following the head at kSidecarHeadBytes.
inline constexpr std::size_t kSidecarHeadBytes = kAppleDoubleHeaderBytes + 9 * kAppleDoubleEntryBytes + 280;
std::vector<std::uint8_t> serializeSidecarHead(const MacMetadata& metadata, std::uint32_t resourceForkLength);
// Whether a file's header has that layout, so its metadata can be written in place.
bool isSidecarLayout(const AppleDoubleHeader& header);

} // namespace appletalk::afp
