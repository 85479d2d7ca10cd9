// SPDX-License-Identifier: MIT
// File names as the Mac sees them (Mac OS Roman, at most 31 bytes, ':' never in a name) and as
// Linux keeps them (UTF-8, '/' never in a name). The two separators are exchanged, as Mac file
// servers do: "Q1/Q2" on the Mac is "Q1:Q2" on disk.
//
// A Linux name the Mac cannot show (a character Mac OS Roman lacks, malformed UTF-8, or longer
// than 31 bytes once converted) is shown mangled: as much of its start as fits (characters
// Mac OS Roman lacks as '?'), '#', eight hexadecimal digits of a hash (32-bit FNV-1a) of the
// whole Linux name, and its extension when that is at most five bytes and shows as it is:
// "Отчёт 2024.pdf" is shown as "????? 2024#XXXXXXXX.pdf". The hash depends on the Linux name
// alone, so the same file always gets the same Mac name, and two names share one only if
// their hashes and starts collide. A mangled name comes back from the Mac through the folder's
// listing, never by decoding it: the volume looks for the entry shown under it, after a file
// of that very name.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace appletalk::afp {

inline constexpr std::size_t kMaxMacNameBytes = 31;
// AppleDouble files beside the data files start so; they are never shown nor made by a client.
inline constexpr std::string_view kSidecarPrefix = "._";

// The Mac OS Roman name shown for a Linux name; mangled when it cannot be shown as it is.
std::string macNameFor(std::string_view linuxName);

// The Linux name a Mac name stands for, or nothing when the Mac name is not one a client may
// use: empty, longer than 31 bytes, holding ':' or NUL, "." or "..", or the sidecars' prefix.
std::optional<std::string> linuxNameFor(std::string_view macName);

// Whether a Mac name has the form macNameFor gives a name it mangles.
bool looksMangled(std::string_view macName);

} // namespace appletalk::afp
