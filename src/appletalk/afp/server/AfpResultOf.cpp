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
    }
    return AfpResult::MiscErr;
}

} // namespace appletalk::afp
