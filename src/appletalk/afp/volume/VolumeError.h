// SPDX-License-Identifier: MIT
// What a volume operation can come to. The AFP server turns each into its protocol's result
// code; nothing here throws.
#pragma once

#include <string_view>

namespace appletalk::afp {

enum class VolumeError {
    None,
    NotFound, // no such file, folder or ID
    Exists, // the name is taken
    AccessDenied, // the folder's mode bits or the kernel said no
    ReadOnly, // the volume is shared read-only
    BadName, // a name no client may use
    NotEmpty, // a folder to delete still holds something
    Outside, // the path or ID leads out of the volume's folder
    WrongKind, // a folder where a file was meant, or the other way round
    CannotMove, // a folder into itself or a folder of its own
    Io, // the disk or the database failed
    DiskFull, // no room left on the volume's filesystem
    SameObject, // two names that are one file (an exchange of a file with itself)
    IdExists, // a file ID was already created for the file (the ID comes with it)
    IdNotFound, // no file ID was created, or it was deleted, or its file is gone
    BadId, // the ID is a folder's, or one AFP reserves, never a file ID
    TooLarge, // more bytes than the item may hold (an icon's bitmap)
};

std::string_view describe(VolumeError error);

// A value or the reason there is none.
template <class T>
struct VolumeResult {
    T value{};
    VolumeError error = VolumeError::None;

    VolumeResult() = default;
    VolumeResult(T v) : value(std::move(v)) {}
    VolumeResult(VolumeError e) : error(e) {}
    bool ok() const { return error == VolumeError::None; }
};

} // namespace appletalk::afp
