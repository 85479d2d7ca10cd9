// SPDX-License-Identifier: MIT
// The user authentication methods (UAMs) of AFP 2.x logins, by their wire names, and the
// user-name field every named UAM opens its Login data with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace appletalk::afp {

enum class Uam { NoUserAuthent, Cleartext, RandnumExchange, TwoWayRandnum, Dhcast128 };

// Case-insensitive wire names: "No User Authent", "Cleartxt Passwrd", "Randnum Exchange",
// "2-Way Randnum Exchange", "DHCAST128".
std::optional<Uam> uamFromName(std::string_view wireName);
std::string_view uamName(Uam uam);

// The user name (a Pascal string) at the head of a named UAM's Login data, and where the
// UAM's own fields start: the pad byte that puts them on an even offset of the command block
// is skipped.
struct UamUserField {
    std::string user; // Mac OS Roman
    std::size_t fieldsOffset = 0; // within the UAM data
};
std::optional<UamUserField> readUamUser(std::span<const std::uint8_t> uamData, std::size_t offsetInBlock);
// The opposite: appends the user name and, when the next field would land odd, the pad.
void appendUamUser(std::vector<std::uint8_t>& uamData, std::string_view user, std::size_t offsetInBlock);

} // namespace appletalk::afp
