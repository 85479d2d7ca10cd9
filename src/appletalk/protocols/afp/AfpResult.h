// SPDX-License-Identifier: MIT
// AFP result codes, carried as the command result of the session (ASP's CmdReply user bytes,
// DSI's error code). A request the server does not know gets CallNotSupported, never a
// dropped session.
#pragma once

#include <cstdint>

namespace appletalk::afp {

enum class AfpResult : std::int32_t {
    NoErr = 0,
    AccessDenied = -5000,
    AuthContinue = -5001,
    BadUAM = -5002,
    BadVersNum = -5003,
    BitmapErr = -5004,
    CantMove = -5005,
    DenyConflict = -5006,
    DirNotEmpty = -5007,
    DiskFull = -5008,
    EOFErr = -5009,
    FileBusy = -5010,
    FlatVol = -5011,
    ItemNotFound = -5012,
    LockErr = -5013,
    MiscErr = -5014,
    NoMoreLocks = -5015,
    NoServer = -5016,
    ObjectExists = -5017,
    ObjectNotFound = -5018,
    ParamErr = -5019,
    RangeNotLocked = -5020,
    RangeOverlap = -5021,
    SessClosed = -5022,
    UserNotAuth = -5023,
    CallNotSupported = -5024,
    ObjectTypeErr = -5025,
    TooManyFilesOpen = -5026,
    ServerGoingDown = -5027,
    CantRename = -5028,
    DirNotFound = -5029,
    IconTypeError = -5030,
    VolLocked = -5031,
    ObjectLocked = -5032,
    ContainsSharedErr = -5033,
    IDNotFound = -5034,
    IDExists = -5035,
    DiffVolErr = -5036,
    CatalogChanged = -5037,
    SameObjectErr = -5038,
    BadIDErr = -5039,
    PwdSameErr = -5040,
    PwdTooShortErr = -5041,
    PwdExpiredErr = -5042,
    InsideSharedErr = -5043,
    InsideTrashErr = -5044,
};

// The attention code a server sends (ASP Attention, DSI Attention): flag bits over a count
// of minutes until shutdown.
inline constexpr std::uint16_t kAttentionShutdown = 0x8000;
inline constexpr std::uint16_t kAttentionCrash = 0x4000;
inline constexpr std::uint16_t kAttentionMessage = 0x2000;
inline constexpr std::uint16_t kAttentionDontReconnect = 0x1000;
inline constexpr std::uint16_t kAttentionMinutesMask = 0x0FFF;

} // namespace appletalk::afp
