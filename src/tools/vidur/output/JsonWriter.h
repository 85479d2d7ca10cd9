// SPDX-License-Identifier: MIT
// JSON as the commands print it: compact, members in the order they were added, one document
// a line. Strings come out as valid JSON whatever they hold: names from the network are UTF-8
// already (Mac OS Roman is converted before), but a name typed on the command line may be
// any bytes.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace vidur::cli {

// Members stay in the order they were added: every run prints the same keys in the same order.
using Json = nlohmann::ordered_json;

class JsonWriter {
public:
    // `document` on one line, newline included.
    static std::string line(const Json& document);

    // `value` as a JSON string literal, quotes included. Control characters are escaped,
    // malformed UTF-8 becomes U+FFFD.
    static std::string quoted(std::string_view value);
};

} // namespace vidur::cli
