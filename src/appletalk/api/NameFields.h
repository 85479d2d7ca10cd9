// Reading and writing the 34-byte name fields of the library's records. A field normally
// holds at most 33 characters and a terminator; a record from a careless caller may hold no
// terminator at all, so every read is bounded by the field, never by the terminator alone.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "appletalk/api/TarvlibRecords.h"

namespace appletalk::api {

// The longest text a field holds before its terminator.
inline constexpr std::size_t kNameFieldMaxChars = NBP_NAME_FIELD_SIZE - 1;

// The text of a field, stopping at its terminator or at the end of the field.
inline std::string_view fieldText(const char (&field)[NBP_NAME_FIELD_SIZE]) {
    return {field, ::strnlen(field, NBP_NAME_FIELD_SIZE)};
}

// Stores text in a field, cut to kNameFieldMaxChars, always terminated.
inline void storeField(char (&field)[NBP_NAME_FIELD_SIZE], std::string_view text) {
    const std::size_t length = text.size() < kNameFieldMaxChars ? text.size() : kNameFieldMaxChars;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

} // namespace appletalk::api
