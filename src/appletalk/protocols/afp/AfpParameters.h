// SPDX-License-Identifier: MIT
// A parameter block shaped by a bitmap: the file, directory or volume parameters of
// GetFileDirParms, Enumerate, OpenFork, GetVolParms and OpenVol replies and of the Set*Parms
// requests. Each set bit adds a field in bit order; a name bit adds a 2-byte offset, from
// the start of the block, to a Pascal string that follows the fixed fields.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace appletalk::afp {

enum class ParameterKind : std::uint8_t { File, Directory, Volume };

namespace file_bit {
inline constexpr int Attributes = 0, ParentId = 1, Created = 2, Modified = 3, Backup = 4, FinderInfo = 5, LongName = 6,
                     ShortName = 7, FileNumber = 8, DataForkLength = 9, ResourceForkLength = 10, ProDosInfo = 13;
}
namespace directory_bit {
inline constexpr int Attributes = 0, ParentId = 1, Created = 2, Modified = 3, Backup = 4, FinderInfo = 5, LongName = 6,
                     ShortName = 7, DirectoryId = 8, OffspringCount = 9, OwnerId = 10, GroupId = 11, AccessRights = 12,
                     ProDosInfo = 13;
}
namespace volume_bit {
inline constexpr int Attributes = 0, Signature = 1, Created = 2, Modified = 3, Backup = 4, VolumeId = 5, BytesFree = 6,
                     BytesTotal = 7, Name = 8, ExtendedBytesFree = 9, ExtendedBytesTotal = 10, BlockSize = 11;
}

inline constexpr std::size_t kFinderInfoSize = 32;

struct AfpParameters {
    ParameterKind kind = ParameterKind::File;
    std::uint16_t bitmap = 0;
    std::array<std::uint64_t, 16> numbers{}; // by bit: fields of up to 8 bytes
    std::array<std::vector<std::uint8_t>, 16> blobs{}; // by bit: Finder info, ProDOS info
    std::array<std::string, 16> names{}; // by bit: long, short and volume names

    bool has(int bit) const { return (bitmap >> bit) & 1; }
    void set(int bit, std::uint64_t value);
    void setName(int bit, std::string name);
    void setBlob(int bit, std::vector<std::uint8_t> bytes);

    // The bits AFP 2.x defines for a kind; a bitmap with another bit set is refused (the
    // server answers BitmapErr).
    static std::uint16_t knownBits(ParameterKind kind);

    // Rejects unknown bits, a block shorter than its fixed fields, and a name whose offset
    // points into the fixed fields or whose string runs past the end or its limit.
    static std::optional<AfpParameters> parse(ParameterKind kind, std::uint16_t bitmap,
                                              std::span<const std::uint8_t> bytes);
    // The fixed fields, then the names in bit order. Nothing when a field does not fit.
    std::optional<std::vector<std::uint8_t>> serialize() const;

    bool operator==(const AfpParameters&) const = default;
};

} // namespace appletalk::afp
