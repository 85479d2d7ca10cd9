// SPDX-License-Identifier: MIT
#include "tools/vidur/output/JsonWriter.h"

namespace vidur::cli {

namespace {

std::string compact(const Json& document) {
    std::string text = document.dump(-1, ' ', false, Json::error_handler_t::replace);
    // JSON allows a raw DEL, but a terminal showing the output should not get one. 0x7F occurs
    // in the text only as U+007F inside a string (never in UTF-8 sequences or escapes), so
    // replacing the byte is exact.
    for (std::size_t at = text.find('\x7F'); at != std::string::npos; at = text.find('\x7F', at))
        text.replace(at, 1, "\\u007f");
    return text;
}

} // namespace

std::string JsonWriter::line(const Json& document) { return compact(document) + "\n"; }

std::string JsonWriter::quoted(std::string_view value) { return compact(Json(std::string(value))); }

} // namespace vidur::cli
