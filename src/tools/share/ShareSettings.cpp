// SPDX-License-Identifier: MIT
#include "tools/share/ShareSettings.h"

#include "text/AsciiText.h"
#include "text/MacRoman.h"

#include <arpa/inet.h>
#include <charconv>
#include <cstdlib>
#include <unistd.h>

namespace vidur::share {

namespace {

using vidur::text::lowered;
using vidur::text::trimmed;

namespace fs = std::filesystem;
using appletalk::runtime::SettingsFiles;

// Profile files hand names and values over in Mac OS Roman; the command speaks UTF-8.
std::string fromProfile(std::string_view macRoman) { return text::macRomanToUtf8(macRoman); }

std::optional<bool> boolean(std::string_view text) {
    const std::string value = lowered(text);
    if (value == "yes" || value == "true" || value == "on" || value == "1") return true;
    if (value == "no" || value == "false" || value == "off" || value == "0") return false;
    return std::nullopt;
}

// "FILE: [Share] KEY=VALUE ...", so the administrator finds the line.
std::string where(const SettingsFiles::Found& found, std::string_view section, std::string_view key) {
    return found.file.string() + ": [" + std::string(section) + "] " + std::string(key) + "=" +
           fromProfile(found.value);
}

std::string volumeNameProblem(std::string_view name) {
    const auto converted = text::utf8ToMacRoman(name);
    if (name.empty()) return "a volume needs a name";
    if (!converted.lossless) return "the volume name '" + std::string(name) + "' has characters Mac OS Roman lacks";
    if (converted.macRoman.size() > ShareSettings::kMaxVolumeName)
        return "the volume name '" + std::string(name) + "' is longer than 27 Mac OS Roman characters";
    if (converted.macRoman.find(':') != std::string::npos)
        return "the volume name '" + std::string(name) + "' has a ':', which a Mac cannot show";
    return {};
}

} // namespace

std::optional<ShareVolume> ShareSettings::parseVolume(std::string_view name, std::string_view value,
                                                      std::string& problem) {
    ShareVolume volume;
    volume.name = trimmed(name);
    std::string folder = trimmed(value);
    if (const auto comma = folder.rfind(','); comma != std::string::npos) {
        const std::string flag = lowered(trimmed(std::string_view(folder).substr(comma + 1)));
        if (flag == "read-only" || flag == "readonly") {
            volume.readOnly = true;
            folder = trimmed(std::string_view(folder).substr(0, comma));
        }
    }
    problem = volumeNameProblem(volume.name);
    if (problem.empty() && folder.empty()) problem = "the volume '" + volume.name + "' names no folder";
    if (!problem.empty()) return std::nullopt;
    volume.folder = folder;
    return volume;
}

std::optional<ShareVolume> ShareSettings::parseVolume(std::string_view text, std::string& problem) {
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) {
        problem = "'" + std::string(text) + "' is not VOLUME=DIR";
        return std::nullopt;
    }
    return parseVolume(text.substr(0, equals), text.substr(equals + 1), problem);
}

std::optional<TcpEndpoint> ShareSettings::parseTcp(std::string_view text, std::string& problem) {
    TcpEndpoint endpoint;
    std::string_view port = text;
    if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
        endpoint.address = std::string(text.substr(0, colon));
        port = text.substr(colon + 1);
        in_addr parsed{};
        if (::inet_pton(AF_INET, endpoint.address.c_str(), &parsed) != 1) {
            problem = "'" + endpoint.address + "' is not an IPv4 address";
            return std::nullopt;
        }
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (port.empty() || error != std::errc() || end != port.data() + port.size() || value == 0 || value > 65535) {
        problem = "'" + std::string(text) + "' is not [ADDRESS:]PORT with a port from 1 to 65535";
        return std::nullopt;
    }
    endpoint.port = static_cast<std::uint16_t>(value);
    return endpoint;
}

std::string ShareSettings::serverNameProblem(std::string_view name) {
    const auto converted = text::utf8ToMacRoman(name);
    if (name.empty()) return "the server needs a name";
    if (!converted.lossless) return "the server name '" + std::string(name) + "' has characters Mac OS Roman lacks";
    if (converted.macRoman.size() > kMaxServerName)
        return "the server name '" + std::string(name) + "' is longer than 31 Mac OS Roman characters";
    // NBP reads these as the type's and zone's separators and as wildcards.
    if (converted.macRoman.find_first_of(":@=\xC5") != std::string::npos)
        return "the server name '" + std::string(name) + "' has one of : @ = or a wildcard";
    return {};
}

std::string ShareSettings::folderProblem(const ShareVolume& volume) {
    std::error_code error;
    const auto status = fs::status(volume.folder, error);
    if (!fs::exists(status))
        return "the folder " + volume.folder.string() + " of the volume '" + volume.name + "' does not exist";
    if (!fs::is_directory(status))
        return volume.folder.string() + " (the volume '" + volume.name + "') is not a folder";
    return {};
}

std::string ShareSettings::defaultServerName() {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || host[0] == '\0') return "Linux";
    // The short name: a Chooser has no room for a domain.
    std::string name(host);
    if (const auto dot = name.find('.'); dot != std::string::npos && dot > 0) name.resize(dot);
    std::string macRoman = text::utf8ToMacRoman(name).macRoman;
    if (macRoman.size() > kMaxServerName) macRoman.resize(kMaxServerName);
    return text::macRomanToUtf8(macRoman);
}

fs::path ShareSettings::stateDirectory() {
    if (const char* systemd = std::getenv("STATE_DIRECTORY"); systemd != nullptr && *systemd != '\0') {
        // systemd lists each StateDirectory=, separated by ':'; the unit names one.
        const std::string_view list(systemd);
        return fs::path(std::string(list.substr(0, list.find(':'))));
    }
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/')
        return fs::path(state) / "vidur20" / "share";
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr && *home != '\0' ? home : "/") / ".local" / "state" / "vidur20" / "share";
}

fs::path ShareSettings::volumeStateDirectory(const fs::path& base, std::string_view volume) {
    // A volume name may hold '/' or a leading '.': those bytes are written as %XX.
    std::string folder;
    for (const char c : volume) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '/' || byte == '%' || byte < 0x20 || (folder.empty() && byte == '.')) {
            constexpr char kHex[] = "0123456789ABCDEF";
            folder += '%';
            folder += kHex[byte >> 4];
            folder += kHex[byte & 0xF];
        } else {
            folder += c;
        }
    }
    return base / folder;
}

ShareSettings ShareSettings::load() {
    return load(appletalk::runtime::ServerSettings::startedByService() ? SettingsFiles::systemOnly()
                                                                       : SettingsFiles::standard());
}

ShareSettings ShareSettings::load(const SettingsFiles& files) {
    ShareSettings settings;
    // The environment (and so --network) names the network first; then [Share], then [Network].
    appletalk::runtime::NetworkOverride chosen;
    if (appletalk::runtime::NetworkOverride::fromEnvironment().network.empty()) {
        if (auto found = files.find(kSection, "Network")) {
            chosen.network = trimmed(found->value);
            chosen.origin = found->file.string();
            chosen.networkKey = std::string("[") + kSection + "] Network";
        }
    }
    auto server = appletalk::runtime::ServerSettings::load(files, chosen);
    settings.network = std::move(server.settings);
    settings.problem = std::move(server.problem);
    settings.source = std::move(server.source);

    const auto flag = [&](const char* key, auto apply) {
        const auto found = files.find(kSection, key);
        if (!found || trimmed(found->value).empty()) return;
        if (const auto value = boolean(trimmed(found->value)))
            apply(*value);
        else
            settings.errors.push_back(where(*found, kSection, key) + " is not yes or no");
    };
    flag("Guest", [&](bool value) { settings.guest = value; });
    flag("ReadOnly", [&](bool value) { settings.readOnly = value; });
    flag("Cleartext", [&](bool value) { settings.cleartext = value; });
    if (const auto found = files.find(kSection, "Name"); found && !trimmed(found->value).empty()) {
        settings.name = fromProfile(trimmed(found->value));
        if (std::string problem = serverNameProblem(settings.name); !problem.empty())
            settings.errors.push_back(where(*found, kSection, "Name") + ": " + problem);
    }
    if (const auto found = files.find(kSection, "Users"); found && !trimmed(found->value).empty())
        settings.users = fromProfile(trimmed(found->value));
    if (const auto found = files.find(kSection, "Tcp"); found && !trimmed(found->value).empty()) {
        std::string problem;
        settings.tcp = parseTcp(trimmed(found->value), problem);
        if (!settings.tcp) settings.errors.push_back(where(*found, kSection, "Tcp") + ": " + problem);
    }
    // The first file that lists volumes gives them all: two lists would not mean one share.
    for (const auto& file : files.files()) {
        const auto names = file.contents.getKeyNames(kVolumesSection);
        if (names.empty()) continue;
        for (const std::string& key : names) {
            const std::string name = fromProfile(key);
            const std::string value = fromProfile(file.contents.getValue(kVolumesSection, key).value_or(""));
            std::string problem;
            if (auto volume = parseVolume(name, value, problem))
                settings.volumes.push_back(std::move(*volume));
            else
                settings.errors.push_back(file.path.string() + ": [" + kVolumesSection + "] " + name + "=" + value +
                                          ": " + problem);
        }
        break;
    }
    return settings;
}

} // namespace vidur::share
