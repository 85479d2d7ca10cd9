// SPDX-License-Identifier: MIT
#include "appletalk/afp/server/auth/Uam.h"

#include <array>
#include <utility>

namespace appletalk::afp {

namespace {

constexpr std::array<std::pair<Uam, std::string_view>, 5> kNames{{
    {Uam::NoUserAuthent, "No User Authent"},
    {Uam::Cleartext, "Cleartxt Passwrd"},
    {Uam::RandnumExchange, "Randnum Exchange"},
    {Uam::TwoWayRandnum, "2-Way Randnum Exchange"},
    {Uam::Dhcast128, "DHCAST128"},
}};

// UAM names are plain ASCII on the wire, so an ASCII fold is the whole comparison.
bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

} // namespace

std::optional<Uam> uamFromName(std::string_view wireName) {
    for (const auto& [uam, name] : kNames)
        if (equalIgnoringAsciiCase(name, wireName)) return uam;
    return std::nullopt;
}

std::string_view uamName(Uam uam) {
    for (const auto& [known, name] : kNames)
        if (known == uam) return name;
    return {};
}

std::optional<UamUserField> readUamUser(std::span<const std::uint8_t> uamData, std::size_t offsetInBlock) {
    if (uamData.empty()) return std::nullopt;
    const std::size_t length = uamData[0];
    if (uamData.size() < 1 + length) return std::nullopt;
    UamUserField field;
    field.user.assign(reinterpret_cast<const char*>(uamData.data()) + 1, length);
    field.fieldsOffset = 1 + length;
    if ((offsetInBlock + field.fieldsOffset) % 2 != 0) ++field.fieldsOffset;
    return field;
}

void appendUamUser(std::vector<std::uint8_t>& uamData, std::string_view user, std::size_t offsetInBlock) {
    const std::size_t start = uamData.size();
    const std::size_t length = std::min<std::size_t>(user.size(), 255);
    uamData.push_back(static_cast<std::uint8_t>(length));
    uamData.insert(uamData.end(), user.begin(), user.begin() + static_cast<std::ptrdiff_t>(length));
    if ((offsetInBlock + uamData.size() - start) % 2 != 0) uamData.push_back(0);
}

} // namespace appletalk::afp
