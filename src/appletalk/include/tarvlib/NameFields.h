// SPDX-License-Identifier: MIT
// The 34-byte name fields of the library's records and the zone buffers of its functions.
// A name is zero-terminated inside its field, so a field holds at most 33 characters (NBP
// allows 32 in each part, so every valid name fits). A field from a careless caller may
// hold no terminator: its last byte is then taken as the terminator's place, so a name read
// from a field is never longer than one a field can store, and nothing past the field is read.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "tarvlib/TarvlibRecords.h"

namespace appletalk::api {

// The longest text a field holds before its terminator.
inline constexpr std::size_t kNameFieldMaxChars = NBP_NAME_FIELD_SIZE - 1;

// The text of a field of NBP_NAME_FIELD_SIZE bytes, stopping at its terminator or at
// kNameFieldMaxChars characters.
inline std::string_view fieldText(const char* field) { return {field, ::strnlen(field, kNameFieldMaxChars)}; }

// Stores text in a field of NBP_NAME_FIELD_SIZE bytes, cut to kNameFieldMaxChars, always
// terminated. The bytes after the terminator are left as they are.
inline void storeField(char* field, std::string_view text) {
    const std::size_t length = text.size() < kNameFieldMaxChars ? text.size() : kNameFieldMaxChars;
    std::memmove(field, text.data(), length);
    field[length] = '\0';
}

// The same for a C string, which is read no further than a field holds (it may be a field).
inline void storeField(char* field, const char* text) { storeField(field, fieldText(text)); }

} // namespace appletalk::api
