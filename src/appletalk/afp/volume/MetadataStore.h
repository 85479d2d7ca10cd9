// SPDX-License-Identifier: MIT
// Where a file's Mac metadata and resource fork live on disk (docs/appleshare-on-disk.md):
// the metadata in an extended attribute of the file holding an AppleDouble record, the
// resource fork in an AppleDouble file "._NAME" beside it. On a filesystem without extended
// attributes (or when told to), the metadata goes into that "._NAME" file too. The volume's
// root folder, which has no folder beside it, keeps its "._" file inside itself as "._.". An
// entry without the attribute takes its metadata from a "._" file when it has one.
#pragma once

#include "appletalk/afp/volume/AppleDouble.h"
#include "appletalk/afp/volume/UniqueFd.h"
#include "appletalk/afp/volume/VolumeError.h"

#include <cstdint>
#include <optional>
#include <string>

namespace appletalk::afp {

// Where a resource fork's bytes are: the AppleDouble file, the fork's first byte in it, and
// where its length is written. An empty fork of a file that has no such file has no fd.
struct ResourceForkPlace {
    UniqueFd fd;
    std::uint64_t start = 0;
    std::uint64_t lengthField = 0;
};

class MetadataStore {
public:
    enum class Storage { ExtendedAttributes, Sidecar };

    explicit MetadataStore(Storage storage = Storage::ExtendedAttributes) : storage_(storage) {}
    Storage storage() const { return storage_; }

    // The entry is `name` in the folder parentFd ("." for the folder itself). Nothing when
    // the entry has no metadata yet.
    VolumeResult<std::optional<MacMetadata>> read(int parentFd, const std::string& name);
    VolumeError write(int parentFd, const std::string& name, const MacMetadata& metadata);

    VolumeResult<ResourceForkPlace> openResourceFork(int parentFd, const std::string& name, bool writable);
    std::uint64_t resourceForkSize(int parentFd, const std::string& name);

    // The AppleDouble file follows its data file, and goes with it.
    VolumeError renameSidecar(int fromParentFd, const std::string& from, int toParentFd, const std::string& to);
    VolumeError removeSidecar(int parentFd, const std::string& name);

    static std::string sidecarName(const std::string& name);

private:
    VolumeResult<std::optional<MacMetadata>> readAttribute(int parentFd, const std::string& name);
    VolumeError writeAttribute(int parentFd, const std::string& name, const MacMetadata& metadata);
    VolumeResult<std::optional<MacMetadata>> readSidecar(int parentFd, const std::string& name);
    VolumeError writeSidecar(int parentFd, const std::string& name, const MacMetadata& metadata);
    // Makes the "._" file ours in layout (a file another program left is rewritten, its
    // resource fork kept) and opens it for writing.
    VolumeResult<UniqueFd> openOwnSidecar(int parentFd, const std::string& name);

    Storage storage_;
};

} // namespace appletalk::afp
