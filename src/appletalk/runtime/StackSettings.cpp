// SPDX-License-Identifier: MIT
#include "appletalk/runtime/StackSettings.h"

#include "appletalk/runtime/SettingsFiles.h"
#include "tarvlib/NameFields.h"
#include "tarvlib/TarvlibApi.h"
#include "text/AsciiText.h"
#include "text/MacRoman.h"
#include "text/ProfileFile.h"
#include "text/ProfileStorage.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using vidur::text::ProfileStorage;

namespace appletalk::runtime {

using api::fieldText;

namespace {

using vidur::text::trimmed;

constexpr const char* kLinkKey = "Link";
constexpr const char* kScenarioKey = "Scenario";
constexpr const char* kInterfaceKey = "Interface";
constexpr const char* kTtlKey = "TTL";
constexpr const char* kPortKey = "Port";
constexpr const char* kEtherTalkAddressKey = "EtherTalkAddress";
constexpr const char* kEtherTalkZoneKey = "EtherTalkZone";
constexpr const char* kTypesKey = "PostScriptTypes";
constexpr const char* kDefaultPrinterKey = "DefaultPrinter";

bool equalsNoCase(std::string_view a, std::string_view b) { return vidur::text::compareFolded(a, b) == 0; }

std::optional<int> parseTtl(std::string_view text) {
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0 || value > 255) return std::nullopt;
    return value;
}

std::optional<std::uint16_t> parsePort(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

std::vector<std::string> splitTypes(std::string_view list) {
    std::vector<std::string> types;
    while (!list.empty()) {
        const auto comma = list.find(',');
        std::string type = trimmed(list.substr(0, comma));
        if (!type.empty()) types.push_back(std::move(type));
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return types;
}

constexpr const char* kKnownNetworks = "not a network (sim, ltoudp, ethertalk)";

// Why a scenario file cannot be read, as the system says it; empty when it can be opened. Only
// opened, not parsed: the settings are read often (the Chooser asks for the printer types
// each time it opens), and the simulator says what is wrong inside a file it cannot use.
std::string scenarioUnreadable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    struct stat info {};
    const bool folder = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
    ::close(fd);
    return folder ? std::strerror(EISDIR) : std::string();
}

} // namespace

// "sim", "sim:PATH", "ltoudp", "ltoudp:ADDRESS", "ethertalk:NAME"; false when the kind is unknown.
bool StackSettings::applyNetworkChoice(std::string_view choice) {
    const auto colon = choice.find(':');
    const std::string kind = trimmed(choice.substr(0, colon));
    const std::string argument = colon == std::string_view::npos ? std::string() : trimmed(choice.substr(colon + 1));
    if (equalsNoCase(kind, "sim")) {
        link = LinkKind::Sim;
        if (colon != std::string_view::npos) scenarioPath = argument;
    } else if (equalsNoCase(kind, "ltoudp")) {
        link = LinkKind::LToUdp;
        if (!argument.empty()) interfaceAddress = argument;
    } else if (equalsNoCase(kind, "ethertalk")) {
        link = LinkKind::EtherTalk;
        if (!argument.empty()) interfaceName = argument;
    } else {
        return false;
    }
    linkChosen = true;
    return true;
}

void StackSettings::readFiles(const SettingsFiles& files) {
    const auto find = [&files](const char* section, const char* key) { return files.find(section, key); };
    const auto where = [](const SettingsFiles::Found& found, const char* key) {
        return found.file.string() + ": " + key + "=" + found.value;
    };
    if (const SettingsFiles::File* file = files.firstUnreadable()) unreadableFile_ = file->unreadableText();
    if (auto found = find(kNetworkSection, kLinkKey); found && !found->value.empty()) {
        if (!applyNetworkChoice(found->value))
            linkProblem_ = where(*found, kLinkKey) + ": " + kKnownNetworks;
        else if (found->value.find(':') != std::string::npos)
            scenarioSource = where(*found, kLinkKey); // "sim:PATH" names a scenario too
    }
    if (auto found = find(kNetworkSection, kScenarioKey)) {
        scenarioPath = found->value;
        scenarioSource = where(*found, kScenarioKey);
    }
    // One key, read as the link chosen above needs it.
    if (auto found = find(kNetworkSection, kInterfaceKey); found && !found->value.empty()) {
        if (link == LinkKind::EtherTalk)
            interfaceName = found->value;
        else
            interfaceAddress = found->value;
    }
    if (auto found = find(kNetworkSection, kTtlKey); found && !found->value.empty()) {
        if (auto value = parseTtl(found->value))
            ttl = *value;
        else
            problems.push_back(where(*found, kTtlKey) + ": not a number from 0 to 255");
    }
    if (auto found = find(kNetworkSection, kPortKey); found && !found->value.empty()) {
        if (auto value = parsePort(found->value))
            port = *value;
        else
            problems.push_back(where(*found, kPortKey) + ": not a port from 1 to 65535");
    }
    // An empty list is taken as written: no type is a PostScript printer.
    if (auto types = find(kPrintersSection, kTypesKey)) postScriptTypes = splitTypes(types->value);
}

void StackSettings::settle() {
    networkProblem.clear();
    if (!linkProblem_.empty()) {
        networkProblem = linkProblem_;
    } else if (!unreadableFile_.empty() && !linkOverridden_) {
        // What the file says is unknown, so nothing may be taken for chosen.
        networkProblem = unreadableFile_;
    } else if (link == LinkKind::Sim && !scenarioPath.empty()) {
        if (const std::string why = scenarioUnreadable(scenarioPath); !why.empty())
            networkProblem = scenarioSource + ": cannot be read (" + why + ")";
    }
}

NetworkOverride NetworkOverride::fromEnvironment() {
    const auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value != nullptr ? value : "");
    };
    return {variable("VIDUR_NETWORK"), variable("VIDUR_LTOUDP_PORT"), variable("VIDUR_LTOUDP_TTL"), "the environment",
            "VIDUR_NETWORK"};
}

StackSettings StackSettings::load() { return load(SettingsFiles::standard()); }

StackSettings StackSettings::load(const SettingsFiles& files) {
    StackSettings settings;
    settings.readFiles(files);
    settings.applyEnvironment();
    return settings;
}

void StackSettings::applyEnvironment() { apply(NetworkOverride::fromEnvironment()); }

void StackSettings::apply(const NetworkOverride& chosen) {
    const std::string from = " (from " + chosen.origin + ")";
    if (!chosen.network.empty()) {
        // Named outright, the network stands over whatever the files said of it.
        const std::string named =
            chosen.origin + ": " + (chosen.networkKey.empty() ? "" : chosen.networkKey + "=") + chosen.network;
        linkOverridden_ = true;
        linkProblem_ = applyNetworkChoice(chosen.network) ? "" : named + ": " + kKnownNetworks;
        if (chosen.network.find(':') != std::string::npos && link == LinkKind::Sim) scenarioSource = named;
    }
    if (!chosen.ttl.empty()) {
        if (auto value = parseTtl(chosen.ttl))
            ttl = *value;
        else
            problems.push_back("bad TTL " + chosen.ttl + from);
    }
    if (!chosen.port.empty()) {
        if (auto value = parsePort(chosen.port))
            port = *value;
        else
            problems.push_back("bad port " + chosen.port + from);
    }
    settle();
}

bool StackSettings::isPostScriptType(std::string_view nbpType) const {
    for (const std::string& type : postScriptTypes) {
        if (equalsNoCase(type, nbpType)) return true;
    }
    return false;
}

namespace {

// The default printer's two forms (see the header). The escaped form is the recent lists'
// with a tag of its own, which NBPCrackProfileString refuses, so a reader that knows only the
// plain form finds no default printer rather than a wrong one.
constexpr std::string_view kPlainTag = "AppleTalk PAP";
constexpr std::string_view kEscapedTag = "AppleTalk PAP escaped";

bool needsEscape(char c, bool atEnd) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F || c == '%' || c == ':' || c == '@' || (atEnd && (c == ' ' || c == '\t'));
}

std::string escapeName(std::string_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (!needsEscape(c, i == 0 || i + 1 == name.size())) {
            out += c;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        out += '%';
        out += kHex[byte >> 4];
        out += kHex[byte & 0x0F];
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Nothing for a bad escape, a NUL, or a name longer than a field holds.
std::optional<std::string> unescapeName(std::string_view text) {
    std::string name;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            name += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hexDigit(text[i + 1]);
        const int low = hexDigit(text[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
        name += static_cast<char>(high * 16 + low);
        i += 2;
    }
    if (name.size() > api::kNameFieldMaxChars) return std::nullopt;
    return name;
}

std::string formatPrinter(std::string_view tag, const _NBPTuple& printer, std::string_view object,
                          std::string_view type, std::string_view zone) {
    return std::string(tag) + "; " + std::to_string(printer.address.network) + " " +
           std::to_string(printer.address.nodeID) + " " + std::to_string(printer.address.socket) + ", " +
           std::string(object) + ":" + std::string(type) + "@" + std::string(zone);
}

// The escaped form: the tag, then the plain form's layout with every ':' and '@' of a name
// escaped, so the names split at the only ones left.
std::optional<_NBPTuple> parseEscaped(std::string_view value) {
    if (!value.starts_with(kEscapedTag)) return std::nullopt;
    value.remove_prefix(kEscapedTag.size());
    unsigned network = 0, node = 0, socket = 0;
    int consumed = 0;
    const std::string text(value);
    if (std::sscanf(text.c_str(), "; %5u %3u %3u, %n", &network, &node, &socket, &consumed) != 3 || consumed == 0 ||
        network > 0xFFFF || node > 0xFF || socket > 0xFF)
        return std::nullopt;
    const std::string_view names = std::string_view(text).substr(static_cast<std::size_t>(consumed));
    const auto colon = names.find(':');
    const auto at = names.find('@');
    if (colon == std::string_view::npos || at == std::string_view::npos || at < colon ||
        names.find_first_of(":@", at + 1) != std::string_view::npos || names.find(':', colon + 1) < at)
        return std::nullopt;
    const auto object = unescapeName(names.substr(0, colon));
    const auto type = unescapeName(names.substr(colon + 1, at - colon - 1));
    const auto zone = unescapeName(names.substr(at + 1));
    if (!object || !type || !zone || object->empty()) return std::nullopt;
    _NBPTuple printer;
    std::memset(&printer, 0, sizeof printer);
    api::storeField(printer.entity.object, *object);
    api::storeField(printer.entity.type, *type);
    api::storeField(printer.entity.zone, *zone);
    printer.address.network = static_cast<std::uint16_t>(network);
    printer.address.nodeID = static_cast<std::uint8_t>(node);
    printer.address.socket = static_cast<std::uint8_t>(socket);
    return printer;
}

// The plain form when it reads back as exactly this printer, else the escaped one.
std::string storedPrinter(const _NBPTuple& printer) {
    const std::string_view object = fieldText(printer.entity.object);
    const std::string_view type = fieldText(printer.entity.type);
    const std::string_view zone = fieldText(printer.entity.zone);
    const std::string plain = formatPrinter(kPlainTag, printer, object, type, zone);
    _NBPTuple readBack;
    const bool exact = vidur::text::ProfileFile::isWritableValue(plain) &&
                       NBPCrackProfileString(plain.c_str(), &readBack) == 0 &&
                       fieldText(readBack.entity.object) == object && fieldText(readBack.entity.type) == type &&
                       fieldText(readBack.entity.zone) == zone;
    if (!exact) return formatPrinter(kEscapedTag, printer, escapeName(object), escapeName(type), escapeName(zone));
    // Profile values are trimmed when read: a value ending in a blank (a zone "Zone ") goes in
    // double quotes, which the reader strips, so it reads back whole.
    if (plain.back() == ' ' || plain.back() == '\t') return "\"" + plain + "\"";
    return plain;
}

} // namespace

std::optional<_NBPTuple> StackSettings::readDefaultPrinter() {
    const auto value = SettingsFiles::standard().value(kPrintersSection, kDefaultPrinterKey);
    if (!value || value->empty()) return std::nullopt;
    if (auto escaped = parseEscaped(*value)) return escaped;
    _NBPTuple printer;
    if (NBPCrackProfileString(value->c_str(), &printer) != 0) return std::nullopt;
    return printer;
}

bool StackSettings::writeDefaultPrinter(const _NBPTuple& printer) {
    if (fieldText(printer.entity.object).empty()) return false;
    return ProfileStorage::setValue(kProfileFile, kPrintersSection, kDefaultPrinterKey, storedPrinter(printer));
}

StackSettings::EtherTalkMemory StackSettings::readEtherTalkMemory() {
    // The user's own file alone: an address is one machine's, never the system's.
    const auto readValue = [](const char* section, const char* key) {
        return ProfileStorage::getValue(kProfileFile, section, key);
    };
    EtherTalkMemory memory;
    if (const auto address = readValue(kNetworkSection, kEtherTalkAddressKey)) {
        unsigned network = 0;
        unsigned node = 0;
        char extra = 0;
        // Anything but NET.NODE with a usable node is forgotten: the node then starts afresh.
        if (std::sscanf(address->c_str(), "%u.%u%c", &network, &node, &extra) == 2 && network >= 1 &&
            network <= 0xFFFE && node >= 1 && node <= 253) {
            memory.network = static_cast<std::uint16_t>(network);
            memory.node = static_cast<std::uint8_t>(node);
        }
    }
    if (auto zone = readValue(kNetworkSection, kEtherTalkZoneKey); zone && zone->size() <= 32) memory.zone = *zone;
    return memory;
}

bool StackSettings::writeEtherTalkMemory(const EtherTalkMemory& memory) {
    const std::string address = std::to_string(memory.network) + "." + std::to_string(memory.node);
    return ProfileStorage::setValue(kProfileFile, kNetworkSection, kEtherTalkAddressKey, address) &&
           ProfileStorage::setValue(kProfileFile, kNetworkSection, kEtherTalkZoneKey, memory.zone);
}

std::string StackSettings::networkName() const {
    switch (link) {
    case LinkKind::EtherTalk: return "EtherTalk on " + interfaceName;
    case LinkKind::LToUdp: return "LToUDP on " + interfaceAddress + " port " + std::to_string(port);
    case LinkKind::Sim: break;
    }
    return "the simulated network";
}

std::string StackSettings::networkKey() const {
    switch (link) {
    case LinkKind::EtherTalk: return "ethertalk:" + interfaceName;
    case LinkKind::LToUdp: return "ltoudp:" + interfaceAddress + ":" + std::to_string(port);
    case LinkKind::Sim: break;
    }
    return "sim:" + scenarioPath;
}

} // namespace appletalk::runtime
