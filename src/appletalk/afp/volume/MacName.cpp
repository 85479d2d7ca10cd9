// SPDX-License-Identifier: MIT
#include "appletalk/afp/volume/MacName.h"

#include "text/MacRoman.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace appletalk::afp {
namespace {

constexpr std::size_t kHashTagBytes = 9; // '#' and eight hexadecimal digits
constexpr std::size_t kMaxExtensionBytes = 5; // ".jpeg"

std::uint32_t nameHash(std::string_view name) {
    // FNV-1a: stable across builds and machines, which the mangled names must be.
    std::uint32_t hash = 2166136261u;
    for (const char c : name) {
        hash ^= static_cast<std::uint8_t>(c);
        hash *= 16777619u;
    }
    return hash;
}

std::string swapped(std::string_view name, char from, char to) {
    std::string out(name);
    std::replace(out.begin(), out.end(), from, to);
    return out;
}

// The extension kept on a mangled name, so the Mac still sees what kind of file it is.
std::string_view extensionOf(std::string_view linuxName) {
    const auto dot = linuxName.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || linuxName.size() - dot > kMaxExtensionBytes) return {};
    const auto extension = linuxName.substr(dot);
    const auto converted = vidur::text::utf8ToMacRoman(extension);
    return converted.lossless && converted.macRoman.size() == extension.size() ? extension : std::string_view{};
}

std::string mangled(std::string_view linuxName) {
    const auto extension = extensionOf(linuxName);
    const auto stem = linuxName.substr(0, linuxName.size() - extension.size());
    std::string prefix = vidur::text::utf8ToMacRoman(swapped(stem, ':', '/')).macRoman;
    prefix.resize(std::min(prefix.size(), kMaxMacNameBytes - kHashTagBytes - extension.size()));
    char tag[kHashTagBytes + 1];
    std::snprintf(tag, sizeof tag, "#%08X", static_cast<unsigned>(nameHash(linuxName)));
    return prefix + tag + swapped(extension, ':', '/');
}

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

} // namespace

std::string macNameFor(std::string_view linuxName) {
    const auto converted = vidur::text::utf8ToMacRoman(swapped(linuxName, ':', '/'));
    if (converted.lossless && !converted.macRoman.empty() && converted.macRoman.size() <= kMaxMacNameBytes)
        return converted.macRoman;
    return mangled(linuxName);
}

std::optional<std::string> linuxNameFor(std::string_view macName) {
    if (macName.empty() || macName.size() > kMaxMacNameBytes || macName == "." || macName == "..") return {};
    if (macName.find(':') != std::string_view::npos || macName.find('\0') != std::string_view::npos) return {};
    if (macName.starts_with(kSidecarPrefix)) return {};
    return vidur::text::macRomanToUtf8(swapped(macName, '/', ':'));
}

bool looksMangled(std::string_view macName) {
    const auto hash = macName.rfind('#');
    if (hash == std::string_view::npos || macName.size() - hash < kHashTagBytes) return false;
    const auto digits = macName.substr(hash + 1, kHashTagBytes - 1);
    return std::all_of(digits.begin(), digits.end(), isHexDigit);
}

} // namespace appletalk::afp
