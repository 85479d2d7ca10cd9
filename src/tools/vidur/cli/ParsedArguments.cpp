// SPDX-License-Identifier: MIT
#include "tools/vidur/cli/ParsedArguments.h"

#include "tools/vidur/cli/UsageError.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace vidur::cli {

void ParsedArguments::setOption(const std::string& name, std::string value) {
    // The last one given wins, as with most command-line tools.
    options_[name] = std::move(value);
}

void ParsedArguments::addPositional(std::string value) { positionals_.push_back(std::move(value)); }

bool ParsedArguments::has(const std::string& name) const { return options_.count(name) != 0; }

std::optional<std::string> ParsedArguments::value(const std::string& name) const {
    const auto found = options_.find(name);
    if (found == options_.end()) return std::nullopt;
    return found->second;
}

long ParsedArguments::integer(const std::string& name, long fallback, long min, long max) const {
    const auto text = value(name);
    if (!text) return fallback;
    long number = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, number);
    if (error != std::errc() || stop != end || number < min || number > max)
        throw UsageError("--" + name + " takes a whole number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", not '" + *text + "'");
    return number;
}

double ParsedArguments::seconds(const std::string& name, double fallback, double max) const {
    const auto text = value(name);
    if (!text) return fallback;
    char* stop = nullptr;
    const double number = text->empty() ? NAN : std::strtod(text->c_str(), &stop);
    // strtod would also take "inf", "nan" and hexadecimal: only plain decimals are durations.
    const bool plain = text->find_first_not_of("0123456789.") == std::string::npos;
    if (!plain || stop != text->c_str() + text->size() || !(number > 0) || number > max)
        throw UsageError("--" + name + " takes a number of seconds above 0 and at most " +
                         std::to_string(static_cast<long>(max)) + ", not '" + *text + "'");
    return number;
}

} // namespace vidur::cli
