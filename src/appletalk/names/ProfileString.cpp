// SPDX-License-Identifier: MIT
// NBPCrackProfileString: reads back a recent-device entry of the profile,
//   "AppleTalk PAP; NET NODE SOCKET, OBJECT:TYPE@ZONE"
// as the system writes it ("%s; %d %d %d, %s:%s@%s").
//
// Where the names split. The three names are joined by ':' and '@' without quoting, so a
// name holding those characters makes the value ambiguous. Object names are chosen by
// users ("Lab: 2nd floor", "ops@north") and may hold anything; NBP types are fixed service
// identifiers ("LaserWriter", "AFPServer") and zone names are set by network managers, and
// neither holds '@' in practice. So the zone starts after the LAST '@', and the type after
// the last ':' before that '@'; everything before is the object. Every entry whose type has
// no ':' or '@' and whose zone has no '@' reads back exactly as it was written.
//
// What is refused (non-zero, tuple untouched): a null argument, another tag, a missing
// separator, a number that is not plain decimal or is out of range (network 0-65535, node
// and socket 0-255), an empty object, and a name part longer than a field holds (33
// characters). A too-long part is refused rather than cut: a cut name names another entity,
// and the reader would then offer a device that does not exist.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "tarvlib/NameFields.h"
#include "tarvlib/TarvlibApi.h"

namespace {

constexpr int kRefused = -1;
constexpr std::string_view kTag = "AppleTalk PAP";

bool isBlank(char c) { return c == ' ' || c == '\t'; }

char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// A cursor over the value; every step either consumes what it expects or reports failure.
class Reader {
public:
    explicit Reader(std::string_view text) : rest_(text) {}

    std::string_view rest() const { return rest_; }

    void skipBlanks() {
        while (!rest_.empty() && isBlank(rest_.front())) rest_.remove_prefix(1);
    }

    bool blanks() {
        if (rest_.empty() || !isBlank(rest_.front())) return false;
        skipBlanks();
        return true;
    }

    bool literal(char c) {
        if (rest_.empty() || rest_.front() != c) return false;
        rest_.remove_prefix(1);
        return true;
    }

    // The tag is compared without regard to ASCII case: a hand-edited file may change it.
    bool tag(std::string_view expected) {
        if (rest_.size() < expected.size()) return false;
        for (std::size_t i = 0; i < expected.size(); ++i)
            if (asciiUpper(rest_[i]) != asciiUpper(expected[i])) return false;
        rest_.remove_prefix(expected.size());
        return true;
    }

    // Plain decimal digits, no sign; leading zeros are harmless. Stops as soon as the value
    // passes max, so no digit string can overflow.
    bool number(std::uint32_t max, std::uint32_t& out) {
        if (rest_.empty() || rest_.front() < '0' || rest_.front() > '9') return false;
        std::uint32_t value = 0;
        while (!rest_.empty() && rest_.front() >= '0' && rest_.front() <= '9') {
            value = value * 10 + static_cast<std::uint32_t>(rest_.front() - '0');
            if (value > max) return false;
            rest_.remove_prefix(1);
        }
        out = value;
        return true;
    }

private:
    std::string_view rest_;
};

struct Names {
    std::string_view object, type, zone;
};

bool splitNames(std::string_view joined, Names& names) {
    const std::size_t at = joined.rfind('@');
    if (at == std::string_view::npos) return false;
    const std::size_t colon = joined.rfind(':', at);
    if (colon == std::string_view::npos) return false;
    names.object = joined.substr(0, colon);
    names.type = joined.substr(colon + 1, at - colon - 1);
    names.zone = joined.substr(at + 1);
    const auto fits = [](std::string_view part) { return part.size() <= appletalk::api::kNameFieldMaxChars; };
    return !names.object.empty() && fits(names.object) && fits(names.type) && fits(names.zone);
}

} // namespace

extern "C" int NBPCrackProfileString(const char* value, _NBPTuple* tuple) {
    if (value == nullptr || tuple == nullptr) return kRefused;
    Reader in{std::string_view{value}};
    std::uint32_t network = 0, node = 0, socket = 0;
    in.skipBlanks();
    if (!in.tag(kTag)) return kRefused;
    in.skipBlanks();
    if (!in.literal(';')) return kRefused;
    in.skipBlanks();
    if (!in.number(0xFFFF, network) || !in.blanks()) return kRefused;
    if (!in.number(0xFF, node) || !in.blanks()) return kRefused;
    if (!in.number(0xFF, socket)) return kRefused;
    in.skipBlanks();
    if (!in.literal(',')) return kRefused;
    // Exactly one blank follows the comma as written; any further blank belongs to the object.
    if (!in.literal(' ')) in.literal('\t');

    Names names;
    if (!splitNames(in.rest(), names)) return kRefused;

    // Built whole, then copied, so that a refusal above leaves the caller's record as it was
    // and an accepted one carries no stale bytes (enumerator and padding become 0).
    _NBPTuple parsed;
    std::memset(&parsed, 0, sizeof parsed);
    appletalk::api::storeField(parsed.entity.object, names.object);
    appletalk::api::storeField(parsed.entity.type, names.type);
    appletalk::api::storeField(parsed.entity.zone, names.zone);
    parsed.address.network = static_cast<std::uint16_t>(network);
    parsed.address.nodeID = static_cast<std::uint8_t>(node);
    parsed.address.socket = static_cast<std::uint8_t>(socket);
    std::memcpy(tuple, &parsed, sizeof parsed);
    return 0;
}
