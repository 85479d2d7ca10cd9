// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/AfpResultOf.h"

namespace appletalk::afp {

AfpResult afpResultOf(VolumeError error) {
    switch (error) {
    case VolumeError::None: return AfpResult::NoErr;
    case VolumeError::NotFound: return AfpResult::ObjectNotFound;
    case VolumeError::Exists: return AfpResult::ObjectExists;
    case VolumeError::AccessDenied: return AfpResult::AccessDenied;
    case VolumeError::ReadOnly: return AfpResult::VolLocked;
    case VolumeError::BadName: return AfpResult::ParamErr;
    case VolumeError::NotEmpty: return AfpResult::DirNotEmpty;
    // A way out of the folder is refused, not reported as missing: the client asked for it.
    case VolumeError::Outside: return AfpResult::AccessDenied;
    case VolumeError::WrongKind: return AfpResult::ObjectTypeErr;
    case VolumeError::CannotMove: return AfpResult::CantMove;
    case VolumeError::Io: return AfpResult::MiscErr;
    case VolumeError::DiskFull: return AfpResult::DiskFull;
    case VolumeError::SameObject: return AfpResult::SameObjectErr;
    case VolumeError::IdExists: return AfpResult::IDExists;
    case VolumeError::IdNotFound: return AfpResult::IDNotFound;
    case VolumeError::BadId: return AfpResult::BadIDErr;
    // Only an icon's bitmap can be too large: for its icon type.
    case VolumeError::TooLarge: return AfpResult::IconTypeError;
    }
    return AfpResult::MiscErr;
}

} // namespace appletalk::afp
