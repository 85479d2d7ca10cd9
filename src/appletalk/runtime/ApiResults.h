// SPDX-License-Identifier: MIT
// The results the library's functions return and its enumerations and requests report.
// 0 is success; every failure is negative, so callers that only test "non-zero" or
// "negative" both see it.
#pragma once

namespace appletalk::runtime {

inline constexpr int kOk = 0;
inline constexpr int kInProgress = 1; // an enumeration or request still running

inline constexpr int kErrBadArgument = -1; // a null pointer, a reserved value not 0, a bad name
inline constexpr int kErrBadHandle = -2; // no open enumeration has that handle
inline constexpr int kErrBadIndex = -3; // past the last result
inline constexpr int kErrNoNetwork = -4; // the stack could not start on its link
inline constexpr int kErrNoRouter = -5; // no router answered (zone list, my zone)
inline constexpr int kErrTooMany = -6; // too many enumerations open at once
inline constexpr int kErrNoMemory = -7;
inline constexpr int kErrNotFound = -8; // the printer did not answer within the retry budget
inline constexpr int kErrBadCommand = -9; // ATALKDispatch: a command it does not know
inline constexpr int kErrNoDefault = -10; // no default printer set
inline constexpr int kErrNotStored = -11; // the default printer could not be written
inline constexpr int kErrBadReply = -12; // the router answered with packets that could not be read
inline constexpr int kErrTooManyZones = -13; // the router's zone list passed the cap (ZipClient::kMaxZones)
inline constexpr int kErrNoAddress = -14; // every AppleTalk address the node tried was claimed
inline constexpr int kErrServiceGone = -15; // the host's node service this process used went away

} // namespace appletalk::runtime
