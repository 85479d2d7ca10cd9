// SPDX-License-Identifier: MIT
#include "appletalk/protocols/afp/AfpBlock.h"

#include <algorithm>

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"

namespace appletalk::afp {

namespace {

// Bytes a number field takes on the wire; 0 for the fields that are not numbers.
std::size_t widthOf(AfpField field) {
    switch (field) {
    case AfpField::Flag:
    case AfpField::IconType:
    case AfpField::NewlineMask:
    case AfpField::NewlineChar: return 1;
    case AfpField::Volume:
    case AfpField::DestVolume:
    case AfpField::Bitmap:
    case AfpField::DirectoryBitmap:
    case AfpField::Reference:
    case AfpField::AccessMode:
    case AfpField::ReqCount:
    case AfpField::Index:
    case AfpField::Size: return 2;
    case AfpField::Directory:
    case AfpField::DestDirectory:
    case AfpField::Offset:
    case AfpField::Count:
    case AfpField::Creator:
    case AfpField::Type:
    case AfpField::Tag: return 4;
    default: return 0;
    }
}

std::size_t textLimit(AfpField field) {
    if (field == AfpField::VolumeName) return kMaxVolumeName;
    if (field == AfpField::Comment) return kMaxComment;
    return 255;
}

bool isText(AfpField field) {
    return field == AfpField::Text || field == AfpField::VolumeName || field == AfpField::Comment;
}

std::uint32_t readNumber(ByteReader& reader, std::size_t width) {
    if (width == 1) return reader.u8();
    if (width == 2) return reader.u16();
    return reader.u32();
}

void writeNumber(ByteWriter& writer, std::size_t width, std::uint32_t value) {
    writer.require(width == 4 || value < (std::uint32_t{1} << (8 * width)));
    if (width == 1) writer.u8(static_cast<std::uint8_t>(value));
    if (width == 2) writer.u16(static_cast<std::uint16_t>(value));
    if (width == 4) writer.u32(value);
}

void readOther(AfpField field, ByteReader& reader, std::size_t start, std::size_t total, AfpBlock& block) {
    const auto position = [&] { return start + total - reader.remaining(); };
    switch (field) {
    case AfpField::Pad: reader.u8(); break;
    case AfpField::EvenPad:
        if (position() % 2 != 0) reader.u8();
        break;
    case AfpField::Path: block.paths.push_back(AfpPath::read(reader)); break;
    case AfpField::Password: {
        if (reader.remaining() == 0) break;
        if (position() % 2 != 0) reader.u8();
        const auto password = reader.take(kPasswordSize);
        block.password.assign(password.begin(), password.end());
        break;
    }
    case AfpField::Rest: {
        const auto rest = reader.rest();
        block.rest.assign(rest.begin(), rest.end());
        break;
    }
    default: block.texts.push_back(reader.pstr(textLimit(field))); break;
    }
}

} // namespace

std::optional<AfpBlock> AfpBlock::parse(AfpLayout layout, std::span<const std::uint8_t> bytes, std::size_t start) {
    ByteReader reader(bytes);
    AfpBlock block;
    for (const AfpField field : layout) {
        if (const auto width = widthOf(field)) {
            block.set(field, readNumber(reader, width));
        } else {
            readOther(field, reader, start, bytes.size(), block);
        }
    }
    if (!reader.atEnd()) return std::nullopt;
    return block;
}

void AfpBlock::write(AfpLayout layout, ByteWriter& writer, std::size_t start) const {
    std::size_t pathCount = 0;
    std::size_t textCount = 0;
    bool wantsPassword = false;
    const auto evenPad = [&] {
        if ((start + writer.size()) % 2 != 0) writer.u8(0);
    };
    for (const AfpField field : layout) {
        if (const auto width = widthOf(field)) {
            writeNumber(writer, width, get(field));
        } else if (field == AfpField::Pad) {
            writer.u8(0);
        } else if (field == AfpField::EvenPad) {
            evenPad();
        } else if (field == AfpField::Path) {
            writer.require(pathCount < paths.size());
            if (pathCount < paths.size()) paths[pathCount].write(writer);
            ++pathCount;
        } else if (isText(field)) {
            writer.require(textCount < texts.size());
            if (textCount < texts.size()) writer.pstr(texts[textCount], textLimit(field));
            ++textCount;
        } else if (field == AfpField::Password) {
            wantsPassword = true;
            writer.require(password.empty() || password.size() == kPasswordSize);
            if (!password.empty()) evenPad();
            writer.bytes(password);
        } else {
            writer.bytes(rest);
        }
    }
    // Whatever the layout has no field for must be empty, or the value would not round-trip.
    writer.require(pathCount == paths.size() && textCount == texts.size());
    writer.require(wantsPassword || password.empty());
    const auto inLayout = [&](AfpField field) {
        return std::find(layout.begin(), layout.end(), field) != layout.end();
    };
    writer.require(inLayout(AfpField::Rest) || rest.empty());
    for (std::size_t slot = 0; slot < kNumberFields; ++slot)
        writer.require(numbers[slot] == 0 || inLayout(static_cast<AfpField>(slot)));
}

} // namespace appletalk::afp
