// SPDX-License-Identifier: MIT
#include "appletalk/protocols/afp/AfpPath.h"

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"

namespace appletalk::afp {

namespace {

void climb(std::vector<AfpPath::Step>& steps, std::size_t zeros) {
    for (std::size_t i = 1; i < zeros; ++i) steps.push_back({true, {}});
}

} // namespace

std::vector<AfpPath::Step> AfpPath::steps() const {
    std::vector<Step> steps;
    std::size_t zeros = 0;
    std::string current;
    for (const char byte : name) {
        if (byte != '\0') {
            if (current.empty()) climb(steps, zeros);
            zeros = 0;
            current.push_back(byte);
            continue;
        }
        if (!current.empty()) steps.push_back({false, std::move(current)});
        current.clear();
        ++zeros;
    }
    if (!current.empty()) steps.push_back({false, std::move(current)});
    climb(steps, zeros);
    return steps;
}

AfpPath AfpPath::read(ByteReader& reader) {
    const std::uint8_t type = reader.u8();
    if (type != static_cast<std::uint8_t>(AfpPathType::ShortNames) &&
        type != static_cast<std::uint8_t>(AfpPathType::LongNames))
        reader.fail();
    return {static_cast<AfpPathType>(type), reader.pstr(255)};
}

void AfpPath::write(ByteWriter& writer) const {
    writer.u8(static_cast<std::uint8_t>(type));
    writer.pstr(name, 255);
}

} // namespace appletalk::afp
