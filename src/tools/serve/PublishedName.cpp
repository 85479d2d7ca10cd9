// SPDX-License-Identifier: MIT
#include "tools/serve/PublishedName.h"

#include "text/MacRoman.h"

namespace vidur::serve {

namespace {

constexpr std::size_t kMaxName = 32;
constexpr char kApproximately = '\xC5'; // "≈", NBP's partial wildcard

std::string cleaned(const std::string& utf8) {
    std::string name;
    for (char c : vidur::text::utf8ToMacRoman(utf8).macRoman) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = ' ';
        if (c == ':' || c == '@' || c == kApproximately) c = '-';
        if (c == ' ' && (name.empty() || name.back() == ' ')) continue;
        name += c;
    }
    if (name.size() > kMaxName) name.resize(kMaxName);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    // "=" alone is the wildcard that matches any name.
    if (name == "=") name = "-";
    return name;
}

} // namespace

std::string publishedName(const std::string& asked, const std::string& description, const std::string& queue) {
    for (const std::string* candidate : {&asked, &description, &queue})
        if (std::string name = cleaned(*candidate); !name.empty()) return name;
    return {};
}

} // namespace vidur::serve
