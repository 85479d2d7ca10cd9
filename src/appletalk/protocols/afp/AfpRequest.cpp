// SPDX-License-Identifier: MIT
#include "appletalk/protocols/afp/AfpRequest.h"

#include "appletalk/protocols/wire/ByteReader.h"
#include "appletalk/protocols/wire/ByteWriter.h"

namespace appletalk::afp {

namespace {

using enum AfpField;

template <AfpField... Fields>
inline constexpr std::array<AfpField, sizeof...(Fields)> kFields{Fields...};

// The largest command block a session carries (a DSI request quantum is larger, but no AFP
// 2.x command comes near it): three full pathnames and the fixed fields.
inline constexpr std::size_t kMaxCommandBlock = 4096;

} // namespace

AfpLayout AfpRequest::layoutOf(AfpCommand command) {
    switch (command) {
    case AfpCommand::ByteRangeLock: return kFields<Flag, Reference, Offset, Count>;
    case AfpCommand::CloseVol:
    case AfpCommand::Flush:
    case AfpCommand::OpenDT: return kFields<Pad, Volume>;
    case AfpCommand::CloseDir: return kFields<Pad, Volume, Directory>;
    case AfpCommand::CloseFork:
    case AfpCommand::FlushFork:
    case AfpCommand::CloseDT: return kFields<Pad, Reference>;
    case AfpCommand::CopyFile: return kFields<Pad, Volume, Directory, DestVolume, DestDirectory, Path, Path, Path>;
    case AfpCommand::CreateDir:
    case AfpCommand::Delete:
    case AfpCommand::OpenDir:
    case AfpCommand::CreateID: return kFields<Pad, Volume, Directory, Path>;
    case AfpCommand::CreateFile: return kFields<Flag, Volume, Directory, Path>;
    case AfpCommand::Enumerate:
        return kFields<Pad, Volume, Directory, Bitmap, DirectoryBitmap, ReqCount, Index, Size, Path>;
    case AfpCommand::GetForkParms: return kFields<Pad, Reference, Bitmap>;
    case AfpCommand::GetSrvrInfo:
    case AfpCommand::GetSrvrParms:
    case AfpCommand::Logout: return kFields<Pad>;
    case AfpCommand::GetVolParms: return kFields<Pad, Volume, Bitmap>;
    case AfpCommand::Login: return kFields<Text, Text, Rest>; // AFP version, UAM, UAM data
    case AfpCommand::LoginCont: return kFields<Pad, Reference, Rest>;
    case AfpCommand::MapID: return kFields<Flag, Tag>;
    case AfpCommand::MapName: return kFields<Flag, Text>;
    case AfpCommand::MoveAndRename: return kFields<Pad, Volume, Directory, DestDirectory, Path, Path, Path>;
    case AfpCommand::OpenVol: return kFields<Pad, Bitmap, VolumeName, Password>;
    case AfpCommand::OpenFork: return kFields<Flag, Volume, Directory, Bitmap, AccessMode, Path>;
    case AfpCommand::Read: return kFields<Pad, Reference, Offset, Count, NewlineMask, NewlineChar>;
    case AfpCommand::Rename: return kFields<Pad, Volume, Directory, Path, Path>;
    case AfpCommand::SetDirParms:
    case AfpCommand::SetFileParms:
    case AfpCommand::SetFileDirParms: return kFields<Pad, Volume, Directory, Bitmap, Path, EvenPad, Rest>;
    case AfpCommand::SetForkParms: return kFields<Pad, Reference, Bitmap, Rest>;
    case AfpCommand::SetVolParms: return kFields<Pad, Volume, Bitmap, Tag>;
    case AfpCommand::Write: return kFields<Flag, Reference, Offset, Count>;
    case AfpCommand::GetFileDirParms: return kFields<Pad, Volume, Directory, Bitmap, DirectoryBitmap, Path>;
    case AfpCommand::ChangePassword: return kFields<Pad, Text, Rest>;
    case AfpCommand::GetUserInfo: return kFields<Flag, Tag, Bitmap>;
    case AfpCommand::GetSrvrMsg: return kFields<Pad, Index, Bitmap>;
    case AfpCommand::DeleteID: return kFields<Pad, Volume, Tag>;
    case AfpCommand::ResolveID: return kFields<Pad, Volume, Tag, Bitmap>;
    case AfpCommand::ExchangeFiles: return kFields<Pad, Volume, Directory, DestDirectory, Path, Path>;
    case AfpCommand::GetIcon: return kFields<Pad, Reference, Creator, Type, IconType, Pad, Size>;
    case AfpCommand::GetIconInfo: return kFields<Pad, Reference, Creator, Index>;
    case AfpCommand::AddAPPL: return kFields<Pad, Reference, Directory, Creator, Tag, Path>;
    case AfpCommand::RemoveAPPL: return kFields<Pad, Reference, Directory, Creator, Path>;
    case AfpCommand::GetAPPL: return kFields<Pad, Reference, Creator, Index, Bitmap>;
    case AfpCommand::AddComment: return kFields<Pad, Reference, Directory, Path, EvenPad, Comment>;
    case AfpCommand::RemoveComment:
    case AfpCommand::GetComment: return kFields<Pad, Reference, Directory, Path>;
    case AfpCommand::AddIcon: return kFields<Pad, Reference, Creator, Type, IconType, Pad, Tag, Size>;
    default: return {};
    }
}

bool AfpRequest::isKnown(std::uint8_t command) { return !layoutOf(static_cast<AfpCommand>(command)).empty(); }

std::optional<AfpRequest> AfpRequest::parse(std::span<const std::uint8_t> bytes) {
    if (bytes.empty() || bytes.size() > kMaxCommandBlock || !isKnown(bytes[0])) return std::nullopt;
    const auto command = static_cast<AfpCommand>(bytes[0]);
    auto block = AfpBlock::parse(layoutOf(command), bytes.subspan(1), 1);
    if (!block) return std::nullopt;
    return AfpRequest{command, std::move(*block)};
}

std::vector<std::uint8_t> AfpRequest::serialize() const {
    ByteWriter writer;
    writer.require(isKnown(static_cast<std::uint8_t>(command)));
    writer.u8(static_cast<std::uint8_t>(command));
    block.write(layoutOf(command), writer, 0); // the writer holds the command byte already
    return writer.finish(kMaxCommandBlock);
}

} // namespace appletalk::afp
