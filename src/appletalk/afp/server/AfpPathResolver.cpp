// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/AfpPathResolver.h"

#include "appletalk/afp/volume/MacName.h"
#include "text/MacRoman.h"

namespace appletalk::afp {

namespace {

VolumeResult<std::uint32_t> parentOf(Volume& volume, std::uint32_t directoryId) {
    if (directoryId == Volume::kRootId) return VolumeError::Outside;
    auto self = volume.parameters(directoryId, "");
    if (!self.ok()) return self.error;
    return self.value.parentId;
}

VolumeResult<std::uint32_t> childFolder(Volume& volume, std::uint32_t directoryId, const std::string& name) {
    auto child = volume.parameters(directoryId, name);
    if (!child.ok()) return child.error;
    if (!child.value.isDirectory) return VolumeError::NotFound;
    return child.value.id;
}

} // namespace

VolumeResult<AfpTarget> resolvePath(Volume& volume, std::string_view volumeName, std::uint32_t directoryId,
                                    const AfpPath& path) {
    auto steps = path.steps();
    std::size_t first = 0;
    if (directoryId == Volume::kRootParentId) {
        // Above the root there is only the volume itself, by its name.
        if (steps.empty() || steps[0].toParent || vidur::text::compareFolded(steps[0].name, volumeName) != 0)
            return VolumeError::NotFound;
        directoryId = Volume::kRootId;
        first = 1;
    }
    if (directoryId < Volume::kRootId) return VolumeError::NotFound;
    for (std::size_t i = first; i < steps.size(); ++i) {
        const bool last = i + 1 == steps.size();
        if (!steps[i].toParent && last) return AfpTarget{directoryId, std::move(steps[i].name)};
        auto next = steps[i].toParent ? parentOf(volume, directoryId) : childFolder(volume, directoryId, steps[i].name);
        if (!next.ok()) return next.error;
        directoryId = next.value;
    }
    return AfpTarget{directoryId, {}};
}

VolumeResult<AfpTarget> namedTarget(Volume& volume, const AfpTarget& target) {
    if (!target.name.empty()) return target;
    if (target.directoryId == Volume::kRootId) return VolumeError::AccessDenied;
    auto self = volume.parameters(target.directoryId, "");
    if (!self.ok()) return self.error;
    return AfpTarget{self.value.parentId, self.value.macName};
}

VolumeResult<EntryInfo> entryById(Volume& volume, std::uint32_t id) {
    if (id == Volume::kRootId) return volume.parameters(id, "");
    auto path = volume.pathOf(id);
    if (!path.ok()) return path.error;
    const auto slash = path.value.rfind('/');
    const std::string parentPath = slash == std::string::npos ? std::string() : path.value.substr(0, slash);
    const std::string name = slash == std::string::npos ? path.value : path.value.substr(slash + 1);
    auto parent = volume.idOf(parentPath);
    if (!parent.ok()) return parent.error;
    return volume.parameters(parent.value, macNameFor(name));
}

VolumeResult<std::string> singleName(const AfpPath& path) {
    const auto steps = path.steps();
    if (steps.empty()) return std::string();
    if (steps.size() != 1 || steps[0].toParent) return VolumeError::BadName;
    return steps[0].name;
}

} // namespace appletalk::afp
