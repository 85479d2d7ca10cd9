// SPDX-License-Identifier: MIT
#include "tools/vidur/output/JsonWriter.h"

#include <cstdio>

namespace vidur::cli {

namespace {

// The length of the well-formed UTF-8 sequence at the start of `text`, 0 when malformed
// (overlong forms, surrogates and code points above U+10FFFF included).
std::size_t utf8SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t codePoint = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, codePoint = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, codePoint = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, codePoint = lead & 0x07;
    else
        return 0;
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    const bool overlong = (length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000);
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (overlong || surrogate || codePoint > 0x10FFFF) return 0;
    return length;
}

} // namespace

std::string JsonWriter::quoted(std::string_view value) {
    std::string out = "\"";
    while (!value.empty()) {
        const auto c = static_cast<unsigned char>(value.front());
        std::size_t used = 1;
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", unsigned{c});
                out += escape;
            } else if (c < 0x80) {
                out += static_cast<char>(c);
            } else if (const std::size_t length = utf8SequenceLength(value); length != 0) {
                out.append(value.substr(0, length));
                used = length;
            } else {
                out += "\xEF\xBF\xBD"; // U+FFFD for each byte that starts no valid sequence
            }
        }
        value.remove_prefix(used);
    }
    out += '"';
    return out;
}

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!hasMember_.empty()) {
        if (hasMember_.back()) text_ += ',';
        hasMember_.back() = true;
    }
}

JsonWriter& JsonWriter::beginObject() {
    beforeValue();
    text_ += '{';
    hasMember_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    text_ += '}';
    hasMember_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    beforeValue();
    text_ += '[';
    hasMember_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    text_ += ']';
    hasMember_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
    beforeValue();
    text_ += quoted(name);
    text_ += ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::string(std::string_view value) {
    beforeValue();
    text_ += quoted(value);
    return *this;
}

JsonWriter& JsonWriter::number(std::int64_t value) {
    beforeValue();
    text_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::boolean(bool value) {
    beforeValue();
    text_ += value ? "true" : "false";
    return *this;
}

} // namespace vidur::cli
