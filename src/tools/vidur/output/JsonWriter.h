// SPDX-License-Identifier: MIT
// A small streaming JSON writer: compact output, commas placed for the caller, strings
// escaped so that any UTF-8 name (and any byte sequence that is not UTF-8) comes out as
// valid JSON. The names it gets are UTF-8 already: Mac OS Roman is converted before.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vidur::cli {

class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);
    JsonWriter& string(std::string_view value);
    JsonWriter& number(std::int64_t value);
    JsonWriter& boolean(bool value);

    // The document so far.
    const std::string& text() const { return text_; }

    // `value` as a JSON string literal, quotes included. Control characters are escaped,
    // malformed UTF-8 becomes U+FFFD.
    static std::string quoted(std::string_view value);

private:
    void beforeValue();

    std::string text_;
    // One entry per open object or array: whether it has a member yet.
    std::vector<bool> hasMember_;
    bool afterKey_ = false;
};

} // namespace vidur::cli
