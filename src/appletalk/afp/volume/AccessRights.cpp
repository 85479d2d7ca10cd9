// SPDX-License-Identifier: MIT
#include "appletalk/afp/volume/AccessRights.h"

#include <algorithm>

namespace appletalk::afp {
namespace {

std::uint8_t rightsOf(mode_t mode, mode_t readBit, mode_t writeBit, bool readOnlyVolume) {
    std::uint8_t rights = 0;
    if ((mode & readBit) != 0) rights |= kSeeFolders | kSeeFiles;
    if ((mode & writeBit) != 0 && !readOnlyVolume) rights |= kMakeChanges;
    return rights;
}

bool inGroup(gid_t gid, const Asker& asker) {
    return asker.gid == gid || std::find(asker.groups.begin(), asker.groups.end(), gid) != asker.groups.end();
}

} // namespace

std::uint32_t accessRightsFor(const struct stat& status, const Asker& asker, bool readOnlyVolume) {
    const auto owner = rightsOf(status.st_mode, S_IRUSR, S_IWUSR, readOnlyVolume);
    const auto group = rightsOf(status.st_mode, S_IRGRP, S_IWGRP, readOnlyVolume);
    const auto everyone = rightsOf(status.st_mode, S_IROTH, S_IWOTH, readOnlyVolume);
    // The kernel checks the first class that matches, not the best of them.
    const bool isOwner = asker.uid == status.st_uid;
    std::uint8_t user = isOwner ? owner : inGroup(status.st_gid, asker) ? group : everyone;
    if (asker.uid == 0) user = rightsOf(S_IRUSR | S_IWUSR, S_IRUSR, S_IWUSR, readOnlyVolume);
    return owner | (std::uint32_t{group} << 8) | (std::uint32_t{everyone} << 16) | (std::uint32_t{user} << 24) |
           (isOwner ? kUserIsOwner : 0);
}

} // namespace appletalk::afp
