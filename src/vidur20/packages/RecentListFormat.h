// SPDX-License-Identifier: MIT
// The recent-device lists in "Halvora.INI", shared by the device packages that write them
// and the recent printer list that reads the printers' one back.
//
//   [Recent Printer List]
//   Printer1=AppleTalk PAP; 4096 12 129, Laser 2:LaserWriter@Sales
//
// Entries run from 1 without gaps; a reader stops at the first absent one and takes at most
// kRecentListReadLimit.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "platform/core/CString.h"
#include "vidur20/atalk/AppleTalk.h"

namespace recentlist {

inline constexpr const char* kProfileFile = "Halvora.INI";
inline constexpr int kReadBufferSize = 256; // so at most 255 characters of a value
inline constexpr int kRecentListReadLimit = 4;

// "Recent <category> List".
CString sectionName(const CString& category);
// "<category><index>", without a separator.
CString keyName(const CString& category, int index);
// "AppleTalk PAP; NET NODE SOCKET, OBJECT:TYPE@ZONE", the tag being the same in every
// section. Names are cut to the 33 characters a field holds, so a record without
// terminators is never read past its fields. The enumerator is not stored.
CString entryValue(const _NBPTuple& entry);
// The value as stored in the profile so that reading it gives back entryValue(entry) whole:
// a value ending in a blank (a zone "Zone ") is put in double quotes, which the profile
// reader strips, as Windows' does; every other value is stored plain.
// Nothing when the entry cannot be stored faithfully: a line break in a name, or names
// that NBPCrackProfileString would split elsewhere (a type with ':' or '@', a zone with
// '@') and so read back as another device.
std::optional<CString> storedValue(const _NBPTuple& entry);
// The entry as a reader would get it back from StoredValue (names and address).
std::optional<_NBPTuple> readBackForm(const _NBPTuple& entry);

enum class WriteResult { Written, CannotStore, WriteFailed };

// Puts chosen at the head of the category's list, the earlier entries after it in their
// order and without it (compared as a reader gets them back); keys past the new list are
// left alone. The list is read and written back under the file's lock, so choices made at
// once in several processes are all kept, in the order they took the lock. underLock runs
// under that lock just after the write (the default printer, so that it follows the same
// order, and never names a device the list on disk lacks, even when the process dies between
// the two); it does not run when chosen cannot be stored or the list not written.
WriteResult recordChoice(const CString& category, const _NBPTuple& chosen, const std::function<void()>& underLock);

// Reads entry index of the category's list into out; false (out untouched) when the key is
// missing, its value empty, or the library does not accept the value.
bool readEntry(const CString& category, int index, _NBPTuple& out);
// The entries a reader takes (at most kRecentListReadLimit, up to the first absent one),
// all from one reading of the file, so a list rewritten meanwhile is seen whole.
std::vector<_NBPTuple> readList(const CString& category);

} // namespace recentlist
