// SPDX-License-Identifier: MIT
// AFP's access rights of a folder, from its mode bits: a byte each for the owner (lowest),
// the group and everyone, then the byte of the user asking, whose top bit says the user owns
// the folder. In each byte 0x01 lets one see folders, 0x02 see files, 0x04 make changes; a
// mode's read bit gives the first two, its write bit the third. On a read-only volume nobody
// may make changes.
#pragma once

#include <cstdint>
#include <span>

#include <sys/stat.h>
#include <sys/types.h>

namespace appletalk::afp {

inline constexpr std::uint8_t kSeeFolders = 0x01;
inline constexpr std::uint8_t kSeeFiles = 0x02;
inline constexpr std::uint8_t kMakeChanges = 0x04;
inline constexpr std::uint32_t kUserIsOwner = 0x80000000u;

struct Asker {
    uid_t uid = 0;
    gid_t gid = 0;
    std::span<const gid_t> groups; // supplementary groups
};

std::uint32_t accessRightsFor(const struct stat& status, const Asker& asker, bool readOnlyVolume);

} // namespace appletalk::afp
