// SPDX-License-Identifier: MIT
#include "appletalk/protocols/afp/AfpReply.h"

#include "appletalk/protocols/wire/ByteWriter.h"

namespace appletalk::afp {

namespace {

using enum AfpField;

template <AfpField... Fields>
inline constexpr std::array<AfpField, sizeof...(Fields)> kFields{Fields...};

} // namespace

AfpLayout AfpReply::layoutOf(AfpCommand command) {
    switch (command) {
    case AfpCommand::ByteRangeLock: // the range start
    case AfpCommand::Write: return kFields<Offset>; // the offset after the last byte written
    case AfpCommand::CreateDir:
    case AfpCommand::OpenDir: return kFields<Directory>;
    case AfpCommand::CreateID: return kFields<Tag>;
    case AfpCommand::MapName: return kFields<Tag>;
    case AfpCommand::MapID: return kFields<Text>;
    case AfpCommand::OpenDT: return kFields<Reference>;
    case AfpCommand::OpenFork: return kFields<Bitmap, Reference, Rest>;
    case AfpCommand::GetForkParms:
    case AfpCommand::ResolveID:
    case AfpCommand::GetUserInfo:
    case AfpCommand::OpenVol:
    case AfpCommand::GetVolParms: return kFields<Bitmap, Rest>;
    case AfpCommand::GetFileDirParms: return kFields<Bitmap, DirectoryBitmap, Flag, Pad, Rest>;
    case AfpCommand::GetComment: return kFields<Comment>;
    case AfpCommand::GetIconInfo: return kFields<Tag, Type, IconType, Pad, Size>;
    case AfpCommand::GetAPPL: return kFields<Bitmap, Tag, Rest>;
    case AfpCommand::GetSrvrMsg: return kFields<Index, Bitmap, Text>;
    case AfpCommand::Login: // a UAM's continuation: an id and the UAM's data, kept as bytes
    case AfpCommand::LoginCont:
    case AfpCommand::Read:
    case AfpCommand::GetIcon: return kFields<Rest>;
    default: return {};
    }
}

std::optional<AfpReply> AfpReply::parse(AfpCommand command, std::span<const std::uint8_t> bytes) {
    auto block = AfpBlock::parse(layoutOf(command), bytes, 0);
    if (!block) return std::nullopt;
    return AfpReply{command, std::move(*block)};
}

std::optional<std::vector<std::uint8_t>> AfpReply::serialize(std::size_t maxSize) const {
    ByteWriter writer;
    block.write(layoutOf(command), writer, 0);
    if (!writer.ok() || writer.size() > maxSize) return std::nullopt;
    return writer.finish(maxSize);
}

} // namespace appletalk::afp
