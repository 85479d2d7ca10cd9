// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/PrinterTarget.h"
#include "tools/vidur/output/TerminalText.h"

#include "tarvlib/NameFields.h"
#include "text/MacRoman.h"
#include "tools/vidur/cli/UsageError.h"
#include "tools/vidur/commands/EntityPattern.h"

#include <charconv>

namespace vidur::cli {

namespace {

bool isAddressForm(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789.:") == std::string::npos;
}

unsigned number(const std::string& text, unsigned min, unsigned max, const char* what, const std::string& whole) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < min || value > max)
        throw UsageError("'" + whole + "' is not NET.NODE:SOCKET: the " + what + " must be " + std::to_string(min) +
                         " to " + std::to_string(max));
    return value;
}

} // namespace

PrinterTarget PrinterTarget::parse(const std::string& utf8) {
    PrinterTarget target;
    if (isAddressForm(utf8)) {
        const auto dot = utf8.find('.');
        const auto colon = utf8.find(':');
        if (dot == std::string::npos || colon == std::string::npos || colon < dot)
            throw UsageError("'" + utf8 + "' is not NET.NODE:SOCKET");
        // Node 0 and 255 and socket 0 and 255 name no single printer.
        target.tuple_.address.network =
            static_cast<std::uint16_t>(number(utf8.substr(0, dot), 0, 65535, "network", utf8));
        target.tuple_.address.nodeID =
            static_cast<std::uint8_t>(number(utf8.substr(dot + 1, colon - dot - 1), 1, 254, "node", utf8));
        target.tuple_.address.socket =
            static_cast<std::uint8_t>(number(utf8.substr(colon + 1), 1, 254, "socket", utf8));
        target.byAddress_ = true;
        return target;
    }
    std::string text = utf8;
    // Without a type the printer is a LaserWriter, the type nearly every PAP printer has.
    const std::size_t at = text.rfind('@');
    if (text.substr(0, at).find(':') == std::string::npos)
        text.insert(at == std::string::npos ? text.size() : at, std::string(":") + kDefaultType);
    const EntityPattern name = EntityPattern::parse(text);
    if (name.hasWildcard()) throw UsageError("'" + utf8 + "' must name one printer: no wildcards");
    // At most 32 bytes each, checked by EntityPattern.
    appletalk::api::storeField(target.tuple_.entity.object, name.object());
    appletalk::api::storeField(target.tuple_.entity.type, name.type());
    appletalk::api::storeField(target.tuple_.entity.zone, name.zone());
    return target;
}

std::string PrinterTarget::display() const {
    if (byAddress_)
        return std::to_string(tuple_.address.network) + "." + std::to_string(tuple_.address.nodeID) + ":" +
               std::to_string(tuple_.address.socket);
    const auto text = [](const char* field) { return terminalText(appletalk::api::fieldText(field)); };
    return text(tuple_.entity.object) + ":" + text(tuple_.entity.type) + "@" + text(tuple_.entity.zone);
}

} // namespace vidur::cli
