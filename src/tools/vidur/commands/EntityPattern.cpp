// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/EntityPattern.h"
#include "tools/vidur/output/TerminalText.h"

#include "text/MacRoman.h"
#include "tools/vidur/cli/UsageError.h"

#include <algorithm>

namespace vidur::cli {

namespace {

constexpr char kPartialWildcard = '\xC5';

std::string field(const std::string& utf8, const char* what, const char* fallback) {
    if (utf8.empty()) return fallback;
    const auto converted = vidur::text::utf8ToMacRoman(utf8);
    if (!converted.lossless)
        throw UsageError(std::string("the ") + what + " '" + utf8 + "' has characters AppleTalk names cannot carry");
    if (converted.macRoman.size() > EntityPattern::kMaxFieldBytes)
        throw UsageError(std::string("the ") + what + " '" + utf8 + "' is longer than 32 characters");
    return converted.macRoman;
}

void checkPartialWildcards(const std::string& macRoman, const char* what) {
    if (std::count(macRoman.begin(), macRoman.end(), kPartialWildcard) > 1)
        throw UsageError(std::string("the ") + what + " may hold at most one \xE2\x89\x88");
}

} // namespace

EntityPattern EntityPattern::parse(const std::string& utf8) {
    const std::size_t at = utf8.rfind('@');
    const std::string beforeZone = utf8.substr(0, at);
    const std::size_t colon = beforeZone.rfind(':');
    EntityPattern pattern;
    pattern.object_ = field(beforeZone.substr(0, colon), "object", "=");
    pattern.type_ = field(colon == std::string::npos ? std::string() : beforeZone.substr(colon + 1), "type", "=");
    pattern.zone_ = field(at == std::string::npos ? std::string() : utf8.substr(at + 1), "zone", "*");
    checkPartialWildcards(pattern.object_, "object");
    checkPartialWildcards(pattern.type_, "type");
    if (pattern.zone_ == "=" || pattern.zone_.find(kPartialWildcard) != std::string::npos)
        throw UsageError("the zone takes a zone name or *, not a wildcard");
    return pattern;
}

bool EntityPattern::hasWildcard() const {
    const auto partial = [](const std::string& part) { return part.find(kPartialWildcard) != std::string::npos; };
    return object_ == "=" || type_ == "=" || partial(object_) || partial(type_);
}

std::string EntityPattern::display() const {
    return terminalText(object_) + ":" + terminalText(type_) + "@" + terminalText(zone_);
}

} // namespace vidur::cli
