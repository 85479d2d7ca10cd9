// SPDX-License-Identifier: MIT
#include "tools/serve/PpdReader.h"

#include <charconv>
#include <map>
#include <string>

namespace vidur::serve {

namespace {

using appletalk::serve::PrinterDescription;

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// One main keyword's entry: "*Keyword Option/Translation: value".
struct Entry {
    std::string_view keyword; // with the star
    std::string_view option;
    std::string_view value; // quotes kept
};

// Calls `each` for every entry; a quoted value may run over several lines.
template <typename Each>
void forEachEntry(std::string_view ppd, Each each) {
    std::size_t at = 0;
    while (at < ppd.size()) {
        std::size_t end = ppd.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = ppd.size();
        const std::string_view line = ppd.substr(at, end - at);
        const std::size_t lineStart = at;
        at = end + 1;
        if (!line.starts_with('*') || line.starts_with("*%")) continue;
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view head = line.substr(0, colon);
        const auto space = head.find_first_of(" \t");
        Entry entry{head.substr(0, space), {}, {}};
        if (space != std::string_view::npos) {
            entry.option = trimmed(head.substr(space));
            entry.option = entry.option.substr(0, entry.option.find('/'));
        }
        const std::size_t valueStart = lineStart + colon + 1;
        std::string_view rest = ppd.substr(valueStart);
        const auto first = rest.find_first_not_of(" \t");
        if (first != std::string_view::npos && rest[first] == '"') {
            const auto close = rest.find('"', first + 1);
            const std::size_t valueEnd = close == std::string_view::npos ? ppd.size() : valueStart + close + 1;
            entry.value = ppd.substr(valueStart + first, valueEnd - valueStart - first);
            at = std::max(at, valueEnd);
        } else {
            entry.value = trimmed(line.substr(colon + 1));
        }
        each(entry);
    }
}

std::string_view unquoted(std::string_view value) {
    value = trimmed(value);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return trimmed(value);
}

// "(LaserWriter II NTX)" -> LaserWriter II NTX
std::string_view withoutParentheses(std::string_view text) {
    text = trimmed(text);
    if (text.size() >= 2 && text.front() == '(' && text.back() == ')') text = text.substr(1, text.size() - 2);
    return text;
}

// "(2013.114) 9" -> version and revision
void readVersion(std::string_view value, PrinterDescription& description) {
    value = unquoted(value);
    const auto close = value.find(')');
    if (!value.starts_with('(') || close == std::string_view::npos) return;
    description.version = std::string(value.substr(1, close - 1));
    const std::string_view revision = trimmed(value.substr(close + 1));
    int number = 0;
    if (std::from_chars(revision.data(), revision.data() + revision.size(), number).ec == std::errc())
        description.revision = number;
}

} // namespace

PrinterDescription describeFromPpd(std::string_view ppd) {
    PrinterDescription description = PrinterDescription::genericLevel2();
    description.fonts.clear();
    description.features.clear();
    bool versionSeen = false;
    bool productSeen = false;
    std::string modelName;
    forEachEntry(ppd, [&](const Entry& entry) {
        const std::string_view value = unquoted(entry.value);
        if (entry.keyword == "*Product" && entry.option.empty()) {
            description.product = std::string(withoutParentheses(value));
            productSeen = !description.product.empty();
        } else if (entry.keyword == "*PSVersion" && !versionSeen) {
            versionSeen = true;
            readVersion(entry.value, description);
        } else if (entry.keyword == "*LanguageLevel") {
            int level = 0;
            if (std::from_chars(value.data(), value.data() + value.size(), level).ec == std::errc() && level > 0)
                description.languageLevel = level;
        } else if (entry.keyword == "*ColorDevice") {
            description.color = value == "True";
        } else if (entry.keyword == "*ModelName") {
            modelName = std::string(value);
        } else if (entry.keyword == "*Font" && !entry.option.empty()) {
            description.fonts.emplace_back(entry.option);
        } else if (entry.keyword.starts_with("*Default") && entry.keyword.size() > 8 && entry.option.empty()) {
            const std::string feature = "*" + std::string(entry.keyword.substr(8));
            description.features[feature] = std::string(value);
            if (feature == "*Resolution") description.resolution = std::string(value);
        } else if (entry.keyword == "*FreeVM" || entry.keyword == "*TTRasterizer" || entry.keyword == "*NickName") {
            description.features[std::string(entry.keyword)] = std::string(value);
        }
    });
    // The generic product only where the PPD names neither.
    if (!productSeen && !modelName.empty()) description.product = modelName;
    if (!modelName.empty()) description.features["*ModelName"] = modelName;
    if (description.fonts.empty()) description.fonts = PrinterDescription::standardFonts();
    return description;
}

} // namespace vidur::serve
