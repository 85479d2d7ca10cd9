// SPDX-License-Identifier: MIT
#include "appletalk/runtime/StackSettings.h"

#include "appletalk/runtime/SettingsFiles.h"
#include "tarvlib/NameFields.h"
#include "tarvlib/TarvlibApi.h"
#include "text/MacRoman.h"
#include "text/ProfileStorage.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

using vidur::text::ProfileStorage;

namespace appletalk::runtime {

using api::fieldText;

namespace {

constexpr const char* kLinkKey = "Link";
constexpr const char* kScenarioKey = "Scenario";
constexpr const char* kInterfaceKey = "Interface";
constexpr const char* kTtlKey = "TTL";
constexpr const char* kPortKey = "Port";
constexpr const char* kEtherTalkAddressKey = "EtherTalkAddress";
constexpr const char* kEtherTalkZoneKey = "EtherTalkZone";
constexpr const char* kTypesKey = "PostScriptTypes";
constexpr const char* kDefaultPrinterKey = "DefaultPrinter";
constexpr std::size_t kValueSize = 1024;

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

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

// "sim", "sim:PATH", "ltoudp", "ltoudp:ADDRESS", "ethertalk:NAME"; false when the kind is unknown.
bool applyNetworkChoice(StackSettings& settings, std::string_view choice) {
    const auto colon = choice.find(':');
    const std::string kind = trimmed(choice.substr(0, colon));
    const std::string argument = colon == std::string_view::npos ? std::string() : trimmed(choice.substr(colon + 1));
    if (equalsNoCase(kind, "sim")) {
        settings.link = LinkKind::Sim;
        if (colon != std::string_view::npos) settings.scenarioPath = argument;
    } else if (equalsNoCase(kind, "ltoudp")) {
        settings.link = LinkKind::LToUdp;
        if (!argument.empty()) settings.interfaceAddress = argument;
    } else if (equalsNoCase(kind, "ethertalk")) {
        settings.link = LinkKind::EtherTalk;
        if (!argument.empty()) settings.interfaceName = argument;
    } else {
        return false;
    }
    settings.linkChosen = true;
    return true;
}

void readFiles(StackSettings& settings, const SettingsFiles& files) {
    const auto readValue = [&files](const char* section, const char* key) { return files.value(section, key); };
    if (auto link = readValue(StackSettings::kNetworkSection, kLinkKey); link && !link->empty()) {
        if (!applyNetworkChoice(settings, *link)) settings.problems.push_back("unknown Link=" + *link);
    }
    if (auto scenario = readValue(StackSettings::kNetworkSection, kScenarioKey)) settings.scenarioPath = *scenario;
    // One key, read as the link chosen above needs it.
    if (auto address = readValue(StackSettings::kNetworkSection, kInterfaceKey); address && !address->empty()) {
        if (settings.link == LinkKind::EtherTalk)
            settings.interfaceName = *address;
        else
            settings.interfaceAddress = *address;
    }
    if (auto ttl = readValue(StackSettings::kNetworkSection, kTtlKey); ttl && !ttl->empty()) {
        if (auto value = parseTtl(*ttl))
            settings.ttl = *value;
        else
            settings.problems.push_back("bad TTL=" + *ttl);
    }
    if (auto port = readValue(StackSettings::kNetworkSection, kPortKey); port && !port->empty()) {
        if (auto value = parsePort(*port))
            settings.port = *value;
        else
            settings.problems.push_back("bad Port=" + *port);
    }
    // An empty list is taken as written: no type is a PostScript printer.
    if (auto types = readValue(StackSettings::kPrintersSection, kTypesKey))
        settings.postScriptTypes = splitTypes(*types);
}

} // namespace

NetworkOverride NetworkOverride::fromEnvironment() {
    const auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value != nullptr ? value : "");
    };
    return {variable("VIDUR_NETWORK"), variable("VIDUR_LTOUDP_PORT"), variable("VIDUR_LTOUDP_TTL"), "the environment"};
}

StackSettings StackSettings::load() { return load(SettingsFiles::standard()); }

StackSettings StackSettings::load(const SettingsFiles& files) {
    StackSettings settings;
    readFiles(settings, files);
    settings.applyEnvironment();
    return settings;
}

void StackSettings::applyEnvironment() { apply(NetworkOverride::fromEnvironment()); }

void StackSettings::apply(const NetworkOverride& chosen) {
    const std::string from = " (from " + chosen.origin + ")";
    if (!chosen.network.empty() && !applyNetworkChoice(*this, chosen.network))
        problems.push_back("unknown network " + chosen.network + from);
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
}

bool StackSettings::isPostScriptType(std::string_view nbpType) const {
    for (const std::string& type : postScriptTypes) {
        if (equalsNoCase(type, nbpType)) return true;
    }
    return false;
}

std::optional<_NBPTuple> StackSettings::readDefaultPrinter() {
    const auto value = SettingsFiles::standard().value(kPrintersSection, kDefaultPrinterKey);
    if (!value || value->empty()) return std::nullopt;
    _NBPTuple printer;
    if (NBPCrackProfileString(value->c_str(), &printer) != 0) return std::nullopt;
    return printer;
}

bool StackSettings::writeDefaultPrinter(const _NBPTuple& printer) {
    const std::string object(fieldText(printer.entity.object));
    const std::string type(fieldText(printer.entity.type));
    const std::string zone(fieldText(printer.entity.zone));
    if (object.empty()) return false;
    // The format of the recent lists, so NBPCrackProfileString reads it back.
    char value[kValueSize];
    std::snprintf(value, sizeof value, "AppleTalk PAP; %u %u %u, %s:%s@%s", unsigned{printer.address.network},
                  unsigned{printer.address.nodeID}, unsigned{printer.address.socket}, object.c_str(), type.c_str(),
                  zone.c_str());
    // A name the format cannot carry (a type with ':' or a zone with '@') would read back as
    // another entity: refuse it rather than store a printer that does not exist.
    _NBPTuple readBack;
    if (NBPCrackProfileString(value, &readBack) != 0 || fieldText(readBack.entity.object) != object ||
        fieldText(readBack.entity.type) != type || fieldText(readBack.entity.zone) != zone)
        return false;
    // Profile values are trimmed when read: a value ending in a blank (a zone "Zone ") goes in
    // double quotes, which the reader strips, so it reads back whole. Others stay plain.
    const std::string_view plain(value);
    const std::string stored =
        (!plain.empty() && std::string_view(" \t\v\f").find(plain.back()) != std::string_view::npos)
            ? "\"" + std::string(plain) + "\""
            : std::string(plain);
    return ProfileStorage::setValue(kProfileFile, kPrintersSection, kDefaultPrinterKey, stored);
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

} // namespace appletalk::runtime
