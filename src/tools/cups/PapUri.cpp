// SPDX-License-Identifier: MIT
#include "tools/cups/PapUri.h"

#include <cctype>
#include <vector>

namespace vidur::cups {

namespace {

constexpr std::string_view kScheme = "pap://";

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::string PapUri::encode(const std::string& utf8) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

std::optional<std::string> PapUri::decode(const std::string& escaped) {
    std::string out;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != '%') {
            out += escaped[i];
            continue;
        }
        if (i + 2 >= escaped.size()) return std::nullopt;
        const int high = hexValue(escaped[i + 1]);
        const int low = hexValue(escaped[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high << 4 | low);
        i += 2;
    }
    return out;
}

std::optional<PapUri> PapUri::parse(const std::string& uri, std::string* problem) {
    const auto refuse = [problem](std::string why) -> std::optional<PapUri> {
        if (problem != nullptr) *problem = std::move(why);
        return std::nullopt;
    };
    if (uri.compare(0, kScheme.size(), kScheme) != 0) return refuse("not a pap:// URI");
    std::string rest = uri.substr(kScheme.size());
    std::string query;
    if (const auto mark = rest.find('?'); mark != std::string::npos) {
        query = rest.substr(mark + 1);
        rest.resize(mark);
    }
    const auto parts = split(rest, '/');
    if (parts.size() != 3) return refuse("not of the form pap://ZONE/NAME/TYPE");
    PapUri parsed;
    std::string* fields[] = {&parsed.zone, &parsed.name, &parsed.type};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto decoded = decode(parts[i]);
        if (!decoded || decoded->empty()) return refuse("an empty or badly escaped part");
        *fields[i] = *decoded;
    }
    // "=" alone, or "≈" anywhere: NBP would take any printer that matches.
    for (const std::string* part : {&parsed.name, &parsed.type}) {
        if (*part == "=" || part->find("\xE2\x89\x88") != std::string::npos)
            return refuse("a wildcard (= or \xE2\x89\x88) names no one printer: give its name as discovery lists it");
    }
    if (query.empty()) return parsed;
    for (const std::string& pair : split(query, '&')) {
        const auto equals = pair.find('=');
        if (equals == std::string::npos) return refuse("an option without a value");
        const auto value = decode(pair.substr(equals + 1));
        if (!value) return refuse("a badly escaped option");
        const std::string key = pair.substr(0, equals);
        if (key == "network")
            parsed.network = *value;
        else if (key == "port")
            parsed.port = *value;
        else if (key == "ttl")
            parsed.ttl = *value;
        else if (key == "timeout")
            parsed.timeout = *value;
        else
            return refuse("an unknown option '" + key + "'");
    }
    return parsed;
}

std::string PapUri::format() const {
    return std::string(kScheme) + encode(zone) + "/" + encode(name) + "/" + encode(type);
}

} // namespace vidur::cups
