// SPDX-License-Identifier: MIT
// AFP 2.x command codes: the first byte of every command block.
#pragma once

#include <cstdint>

namespace appletalk::afp {

enum class AfpCommand : std::uint8_t {
    ByteRangeLock = 1,
    CloseVol = 2,
    CloseDir = 3,
    CloseFork = 4,
    CopyFile = 5,
    CreateDir = 6,
    CreateFile = 7,
    Delete = 8,
    Enumerate = 9,
    Flush = 10,
    FlushFork = 11,
    GetForkParms = 14,
    GetSrvrInfo = 15,
    GetSrvrParms = 16,
    GetVolParms = 17,
    Login = 18,
    LoginCont = 19,
    Logout = 20,
    MapID = 21,
    MapName = 22,
    MoveAndRename = 23,
    OpenVol = 24,
    OpenDir = 25,
    OpenFork = 26,
    Read = 27,
    Rename = 28,
    SetDirParms = 29,
    SetFileParms = 30,
    SetForkParms = 31,
    SetVolParms = 32,
    Write = 33,
    GetFileDirParms = 34,
    SetFileDirParms = 35,
    ChangePassword = 36,
    GetUserInfo = 37,
    GetSrvrMsg = 38,
    CreateID = 39,
    DeleteID = 40,
    ResolveID = 41,
    ExchangeFiles = 42,
    CatSearch = 43,
    OpenDT = 48,
    CloseDT = 49,
    GetIcon = 51,
    GetIconInfo = 52,
    AddAPPL = 53,
    RemoveAPPL = 54,
    GetAPPL = 55,
    AddComment = 56,
    RemoveComment = 57,
    GetComment = 58,
    AddIcon = 192,
};

// Flag bits of the byte that follows the command in some requests.
inline constexpr std::uint8_t kHardCreate = 0x80; // CreateFile: replace an existing file
inline constexpr std::uint8_t kResourceFork = 0x80; // OpenFork
inline constexpr std::uint8_t kFromEnd = 0x80; // Write and ByteRangeLock: offset from the fork's end
inline constexpr std::uint8_t kUnlock = 0x01; // ByteRangeLock
inline constexpr std::uint8_t kIsDirectory = 0x80; // GetFileDirParms reply and Enumerate entries

} // namespace appletalk::afp
