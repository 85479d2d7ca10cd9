// SPDX-License-Identifier: MIT
// An AFP pathname walked from the folder a request names, one step at a time through the
// volume, so every step is checked as the volume checks a name: no step climbs above the
// volume's root, and a link that leads out is refused by the volume itself.
#pragma once

#include "appletalk/afp/volume/Volume.h"
#include "appletalk/protocols/afp/AfpPath.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace appletalk::afp {

// An entry by its folder and Mac name; an empty name is the folder itself.
struct AfpTarget {
    std::uint32_t directoryId = 0;
    std::string name;
};

// `volumeName` is the volume's Mac name: a path from the root's parent (ID 1) starts with it.
VolumeResult<AfpTarget> resolvePath(Volume& volume, std::string_view volumeName, std::uint32_t directoryId,
                                    const AfpPath& path);
// A folder named by its ID alone, as its parent folder and its name; for the calls that act
// on an entry in its folder (Delete, Rename, ...). The root has none: AccessDenied.
VolumeResult<AfpTarget> namedTarget(Volume& volume, const AfpTarget& target);
// The entry with a file or folder ID.
VolumeResult<EntryInfo> entryById(Volume& volume, std::uint32_t id);
// A path that is one name only (Rename's and MoveAndRename's new name); empty when none.
VolumeResult<std::string> singleName(const AfpPath& path);

} // namespace appletalk::afp
