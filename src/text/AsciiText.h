// SPDX-License-Identifier: MIT
// The small ASCII helpers every reader of settings and document comments needs: values stand
// among blanks (spaces and tabs) and keywords compare without regard to case.
#pragma once

#include <string>
#include <string_view>

namespace vidur::text {

// `text` without its leading and trailing spaces and tabs, as a view into it.
std::string_view trimmedView(std::string_view text);
inline std::string trimmed(std::string_view text) { return std::string(trimmedView(text)); }

// ASCII letters in lower case; every other byte (Mac OS Roman or UTF-8 included) as it is.
std::string lowered(std::string_view text);

} // namespace vidur::text
