// SPDX-License-Identifier: MIT
#include "appletalk/afp/client/AfpVolumeClient.h"

#include "appletalk/afp/client/AfpClientText.h"
#include "appletalk/protocols/afp/AfpEnumerateReply.h"
#include "appletalk/protocols/afp/AfpParameters.h"
#include "appletalk/protocols/afp/AfpReply.h"
#include "appletalk/protocols/afp/AfpRequest.h"
#include "appletalk/protocols/afp/AfpResult.h"
#include "text/MacRoman.h"

#include <algorithm>
#include <cerrno>
#include <limits>

namespace appletalk::afp {

struct AfpVolumeClient::Reply {
    std::int32_t result = 0;
    std::vector<std::uint8_t> bytes;
};

namespace {

using enum AfpField;

constexpr std::uint32_t kRootDirectory = 2;
constexpr std::int64_t kAfpEpochInUnix = 946684800; // 2000-01-01 00:00 UTC
constexpr std::uint32_t kNeverDate = 0x80000000;
constexpr std::uint64_t kMaxForkOffset = 0xFFFFFFFF; // AFP 2.x offsets are 32 bits
constexpr std::uint16_t kAccessRead = 0x01, kAccessWrite = 0x02;
constexpr std::uint16_t kSetAttributes = 0x8000; // a Set*Parms attribute word sets, else clears
constexpr std::uint16_t kVolumeIdBit = 1u << volume_bit::VolumeId;
// The smallest entry Enumerate sends for the bitmaps below (fixed fields, a one-byte name):
// ReqCount asks for as many as the reply could hold.
constexpr std::size_t kSmallestEnumeratedEntry = 64;
constexpr std::size_t kMaxReplySize = 0xFFFF; // Enumerate's MaxReplySize is a 16-bit word

constexpr std::uint16_t bits(std::initializer_list<int> numbers) {
    std::uint16_t out = 0;
    for (const int bit : numbers) out = static_cast<std::uint16_t>(out | 1u << bit);
    return out;
}

constexpr std::uint16_t kFileBitmap =
    bits({file_bit::Attributes, file_bit::ParentId, file_bit::Created, file_bit::Modified, file_bit::FinderInfo,
          file_bit::LongName, file_bit::FileNumber, file_bit::DataForkLength, file_bit::ResourceForkLength});
constexpr std::uint16_t kDirectoryBitmap =
    bits({directory_bit::Attributes, directory_bit::ParentId, directory_bit::Created, directory_bit::Modified,
          directory_bit::FinderInfo, directory_bit::LongName, directory_bit::DirectoryId, directory_bit::OffspringCount,
          directory_bit::AccessRights});
constexpr std::uint16_t kBasicVolumeBitmap =
    bits({volume_bit::Attributes, volume_bit::Name, volume_bit::BytesFree, volume_bit::BytesTotal});
// AFP 2.2 adds 64-bit sizes and the block size; an older server answers BitmapErr to them.
constexpr std::uint16_t kVolumeBitmap =
    kBasicVolumeBitmap | bits({volume_bit::ExtendedBytesFree, volume_bit::ExtendedBytesTotal, volume_bit::BlockSize});

std::int32_t code(AfpResult result) { return static_cast<std::int32_t>(result); }

std::int64_t unixTimeOf(std::uint64_t afpDate) {
    if (afpDate == kNeverDate) return 0;
    return kAfpEpochInUnix + static_cast<std::int32_t>(static_cast<std::uint32_t>(afpDate));
}

std::uint32_t afpDateOf(std::int64_t unixSeconds) {
    // The nearest date AFP can carry; the lowest word is "never", so it is stepped over.
    const auto date =
        std::clamp<std::int64_t>(unixSeconds - kAfpEpochInUnix, std::numeric_limits<std::int32_t>::min() + 1LL,
                                 std::numeric_limits<std::int32_t>::max());
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(date));
}

std::string exchanged(std::string_view name, char from, char to) {
    std::string out(name);
    std::replace(out.begin(), out.end(), from, to);
    return out;
}

// A Linux name as the Mac's long name: ':' shows as '/', the Mac's separator being ':'.
// Unlike the server's macNameFor, nothing is mangled: a name the Mac cannot hold is an error.
int macNameOf(std::string_view linuxName, std::string& macName) {
    const auto converted = vidur::text::utf8ToMacRoman(exchanged(linuxName, ':', '/'));
    if (!converted.lossless) return EILSEQ;
    if (converted.macRoman.size() > kMaxLongName) return ENAMETOOLONG;
    macName = converted.macRoman;
    return 0;
}

// The inverse exchange, for names the server lists; every name comes through.
std::string linuxNameOf(std::string_view macName) { return vidur::text::macRomanToUtf8(exchanged(macName, '/', ':')); }

std::vector<std::string_view> componentsOf(std::string_view path) {
    std::vector<std::string_view> out;
    while (!path.empty()) {
        const auto slash = path.find('/');
        const auto part = path.substr(0, slash);
        if (!part.empty() && part != ".") out.push_back(part);
        path = slash == std::string_view::npos ? std::string_view{} : path.substr(slash + 1);
    }
    return out;
}

// A long-name path from the volume's root: the names joined by one zero byte.
int afpPathOf(std::string_view linuxPath, AfpPath& path) {
    path = {AfpPathType::LongNames, {}};
    for (const auto part : componentsOf(linuxPath)) {
        std::string name;
        if (const int error = macNameOf(part, name); error != 0) return error;
        if (!path.name.empty()) path.name.push_back('\0');
        path.name += name;
    }
    return 0;
}

// The folder holding `linuxPath` and its last name; EINVAL for the root, which has neither.
int splitPath(std::string_view linuxPath, AfpPath& parent, std::string& name) {
    const auto parts = componentsOf(linuxPath);
    if (parts.empty()) return EINVAL;
    std::string parentPath;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) (parentPath += '/') += parts[i];
    if (const int error = afpPathOf(parentPath, parent); error != 0) return error;
    return macNameOf(parts.back(), name);
}

AfpRequest requestOf(AfpCommand command, std::initializer_list<std::pair<AfpField, std::uint32_t>> numbers,
                     std::vector<AfpPath> paths = {}) {
    AfpRequest request{command, {}};
    for (const auto& [field, value] : numbers) request.block.set(field, value);
    request.block.paths = std::move(paths);
    return request;
}

AfpEntry entryOf(const AfpParameters& parameters) {
    AfpEntry entry;
    entry.isDirectory = parameters.kind == ParameterKind::Directory;
    const auto& n = parameters.numbers;
    entry.attributes = static_cast<std::uint16_t>(n[file_bit::Attributes]);
    entry.parentId = static_cast<std::uint32_t>(n[file_bit::ParentId]);
    entry.created = parameters.has(file_bit::Created) ? unixTimeOf(n[file_bit::Created]) : 0;
    entry.modified = parameters.has(file_bit::Modified) ? unixTimeOf(n[file_bit::Modified]) : 0;
    const auto& finderInfo = parameters.blobs[file_bit::FinderInfo];
    std::copy_n(finderInfo.begin(), std::min(finderInfo.size(), entry.finderInfo.size()), entry.finderInfo.begin());
    entry.name = linuxNameOf(parameters.names[file_bit::LongName]);
    if (entry.isDirectory) {
        entry.id = static_cast<std::uint32_t>(n[directory_bit::DirectoryId]);
        entry.offspring = static_cast<std::uint16_t>(n[directory_bit::OffspringCount]);
        entry.accessRights = static_cast<std::uint32_t>(n[directory_bit::AccessRights]);
    } else {
        entry.id = static_cast<std::uint32_t>(n[file_bit::FileNumber]);
        entry.dataLength = n[file_bit::DataForkLength];
        entry.resourceLength = n[file_bit::ResourceForkLength];
    }
    return entry;
}

int lengthBitOf(AfpForkKind kind) {
    return kind == AfpForkKind::Resource ? file_bit::ResourceForkLength : file_bit::DataForkLength;
}

} // namespace

int errnoForAfpResult(std::int32_t result) {
    switch (static_cast<AfpResult>(result)) {
    case AfpResult::NoErr: return 0;
    case AfpResult::AccessDenied: return EACCES;
    case AfpResult::ObjectNotFound:
    case AfpResult::DirNotFound:
    case AfpResult::ItemNotFound:
    case AfpResult::IDNotFound: return ENOENT;
    case AfpResult::ObjectExists:
    case AfpResult::IDExists: return EEXIST;
    case AfpResult::DirNotEmpty: return ENOTEMPTY;
    case AfpResult::DiskFull: return ENOSPC;
    case AfpResult::VolLocked: return EROFS;
    case AfpResult::ObjectLocked: return EPERM;
    case AfpResult::DenyConflict:
    case AfpResult::FileBusy: return EBUSY;
    case AfpResult::CantMove:
    case AfpResult::CantRename:
    case AfpResult::ParamErr:
    case AfpResult::BitmapErr:
    case AfpResult::SameObjectErr: return EINVAL;
    case AfpResult::ObjectTypeErr: return ENOTDIR; // a call on a file wanting a folder; see openFork
    case AfpResult::TooManyFilesOpen: return EMFILE;
    case AfpResult::LockErr:
    case AfpResult::NoMoreLocks:
    case AfpResult::RangeNotLocked:
    case AfpResult::RangeOverlap: return ENOLCK;
    case AfpResult::CallNotSupported:
    case AfpResult::FlatVol: return ENOTSUP;
    case AfpResult::DiffVolErr: return EXDEV;
    case AfpResult::UserNotAuth: return EACCES;
    default: return EIO;
    }
}

std::unique_ptr<AfpVolumeClient> AfpVolumeClient::open(AfpTransport& transport, const std::string& volume,
                                                       const std::string& password, std::string& problem) {
    const auto name = vidur::text::utf8ToMacRoman(volume);
    const auto secret = vidur::text::utf8ToMacRoman(password);
    if (!name.lossless || name.macRoman.size() > kMaxVolumeName || !secret.lossless ||
        secret.macRoman.size() > kPasswordSize) {
        problem = "the volume name or password cannot be sent to the server";
        return nullptr;
    }
    AfpRequest request = requestOf(AfpCommand::OpenVol, {{Bitmap, kVolumeIdBit}});
    request.block.texts = {name.macRoman};
    if (!password.empty()) {
        request.block.password.assign(kPasswordSize, 0);
        std::copy(secret.macRoman.begin(), secret.macRoman.end(), request.block.password.begin());
    }
    const AfpCallResult answer = transport.call(request.serialize());
    if (!answer.delivered) {
        problem = answer.problem;
        return nullptr;
    }
    if (answer.result != code(AfpResult::NoErr)) {
        problem = describeAfpResult(answer.result);
        return nullptr;
    }
    const auto reply = AfpReply::parse(AfpCommand::OpenVol, answer.reply);
    const auto parameters =
        reply ? AfpParameters::parse(ParameterKind::Volume, static_cast<std::uint16_t>(reply->block.get(Bitmap)),
                                     reply->block.rest)
              : std::nullopt;
    if (!parameters || !parameters->has(volume_bit::VolumeId)) {
        problem = "the server's answer to opening the volume is malformed";
        return nullptr;
    }
    return std::unique_ptr<AfpVolumeClient>(
        new AfpVolumeClient(transport, static_cast<std::uint16_t>(parameters->numbers[volume_bit::VolumeId])));
}

AfpVolumeClient::AfpVolumeClient(AfpTransport& transport, std::uint16_t volumeId)
    : transport_(transport), volumeId_(volumeId) {}

AfpVolumeClient::~AfpVolumeClient() {
    if (!gone_) simpleCall(requestOf(AfpCommand::CloseVol, {{Volume, volumeId_}}));
}

std::size_t AfpVolumeClient::transferUnit() const { return transport_.transferLimit(); }

bool AfpVolumeClient::sessionGone() const { return gone_; }

int AfpVolumeClient::keepAlive() {
    if (gone_) return EIO;
    std::string problem;
    if (transport_.keepAlive(problem)) return 0;
    gone_ = true;
    return EIO;
}

int AfpVolumeClient::exchange(std::span<const std::uint8_t> command, std::span<const std::uint8_t> data, Reply& reply) {
    if (gone_) return EIO;
    if (command.empty()) return EINVAL; // a field the codec could not encode
    AfpCallResult answer = data.empty() ? transport_.call(command) : transport_.write(command, data);
    // No answer, or the server's word that the session is over: nothing later can succeed.
    if (!answer.delivered || answer.result == code(AfpResult::SessClosed)) {
        gone_ = true;
        return EIO;
    }
    reply = {answer.result, std::move(answer.reply)};
    return 0;
}

int AfpVolumeClient::simpleCall(const AfpRequest& request) {
    Reply reply;
    if (const int error = exchange(request.serialize(), {}, reply); error != 0) return error;
    return errnoForAfpResult(reply.result);
}

int AfpVolumeClient::volumeInfo(AfpVolumeInfo& info) {
    Reply reply;
    for (const std::uint16_t bitmap : {kVolumeBitmap, kBasicVolumeBitmap}) {
        if (const int error = exchange(
                requestOf(AfpCommand::GetVolParms, {{Volume, volumeId_}, {Bitmap, bitmap}}).serialize(), {}, reply);
            error != 0)
            return error;
        if (reply.result != code(AfpResult::BitmapErr)) break;
    }
    if (reply.result != code(AfpResult::NoErr)) return errnoForAfpResult(reply.result);
    const auto parsed = AfpReply::parse(AfpCommand::GetVolParms, reply.bytes);
    const auto parameters =
        parsed ? AfpParameters::parse(ParameterKind::Volume, static_cast<std::uint16_t>(parsed->block.get(Bitmap)),
                                      parsed->block.rest)
               : std::nullopt;
    if (!parameters) return EIO;
    const auto& n = parameters->numbers;
    info.name = vidur::text::macRomanToUtf8(parameters->names[volume_bit::Name]);
    info.attributes = static_cast<std::uint16_t>(n[volume_bit::Attributes]);
    const bool extended = parameters->has(volume_bit::ExtendedBytesFree);
    info.bytesFree = extended ? n[volume_bit::ExtendedBytesFree] : n[volume_bit::BytesFree];
    info.bytesTotal = extended ? n[volume_bit::ExtendedBytesTotal] : n[volume_bit::BytesTotal];
    info.blockSize = static_cast<std::uint32_t>(n[volume_bit::BlockSize]);
    return 0;
}

int AfpVolumeClient::parametersOf(std::string_view path, std::uint16_t fileBitmap, std::uint16_t directoryBitmap,
                                  AfpEntry& entry) {
    AfpPath afpPath;
    if (const int error = afpPathOf(path, afpPath); error != 0) return error;
    Reply reply;
    const auto request = requestOf(
        AfpCommand::GetFileDirParms,
        {{Volume, volumeId_}, {Directory, kRootDirectory}, {Bitmap, fileBitmap}, {DirectoryBitmap, directoryBitmap}},
        {afpPath});
    if (const int error = exchange(request.serialize(), {}, reply); error != 0) return error;
    if (reply.result != code(AfpResult::NoErr)) return errnoForAfpResult(reply.result);
    const auto parsed = AfpReply::parse(AfpCommand::GetFileDirParms, reply.bytes);
    if (!parsed) return EIO;
    const bool directory = (parsed->block.get(Flag) & kIsDirectory) != 0;
    const auto parameters = AfpParameters::parse(
        directory ? ParameterKind::Directory : ParameterKind::File,
        static_cast<std::uint16_t>(parsed->block.get(directory ? DirectoryBitmap : Bitmap)), parsed->block.rest);
    if (!parameters) return EIO;
    entry = entryOf(*parameters);
    return 0;
}

int AfpVolumeClient::stat(std::string_view path, AfpEntry& entry) {
    return parametersOf(path, kFileBitmap, kDirectoryBitmap, entry);
}

int AfpVolumeClient::list(std::string_view path, std::vector<AfpEntry>& entries) {
    AfpPath afpPath;
    if (const int error = afpPathOf(path, afpPath); error != 0) return error;
    entries.clear();
    const std::size_t maxReply = std::min(transport_.transferLimit(), kMaxReplySize);
    const auto reqCount = static_cast<std::uint32_t>(std::max<std::size_t>(1, maxReply / kSmallestEnumeratedEntry));
    // Start indexes are 16-bit: a folder past that many entries is listed as far as AFP reaches.
    for (std::uint32_t index = 1; index <= 0xFFFF;) {
        const auto request = requestOf(AfpCommand::Enumerate,
                                       {{Volume, volumeId_},
                                        {Directory, kRootDirectory},
                                        {Bitmap, kFileBitmap},
                                        {DirectoryBitmap, kDirectoryBitmap},
                                        {ReqCount, reqCount},
                                        {Index, index},
                                        {Size, static_cast<std::uint32_t>(maxReply)}},
                                       {afpPath});
        Reply reply;
        if (const int error = exchange(request.serialize(), {}, reply); error != 0) return error;
        if (reply.result == code(AfpResult::ObjectNotFound)) break; // past the last entry
        if (reply.result != code(AfpResult::NoErr)) return errnoForAfpResult(reply.result);
        const auto page = AfpEnumerateReply::parse(reply.bytes);
        if (!page) return EIO;
        if (page->entries.empty()) break; // a server that gives nothing more ends the listing
        for (const auto& parameters : page->entries) entries.push_back(entryOf(parameters));
        index += static_cast<std::uint32_t>(page->entries.size());
    }
    return 0;
}

int AfpVolumeClient::createFile(std::string_view path, bool exclusive) {
    AfpPath afpPath;
    if (const int error = afpPathOf(path, afpPath); error != 0) return error;
    const int error = simpleCall(
        requestOf(AfpCommand::CreateFile,
                  {{Flag, exclusive ? 0u : kHardCreate}, {Volume, volumeId_}, {Directory, kRootDirectory}}, {afpPath}));
    return error == ENOTDIR ? EISDIR : error; // a hard create over a folder
}

int AfpVolumeClient::createDirectory(std::string_view path) {
    AfpPath afpPath;
    if (const int error = afpPathOf(path, afpPath); error != 0) return error;
    return simpleCall(requestOf(AfpCommand::CreateDir, {{Volume, volumeId_}, {Directory, kRootDirectory}}, {afpPath}));
}

int AfpVolumeClient::remove(std::string_view path) {
    AfpPath afpPath;
    if (const int error = afpPathOf(path, afpPath); error != 0) return error;
    if (componentsOf(path).empty()) return EBUSY; // the volume's root
    return simpleCall(requestOf(AfpCommand::Delete, {{Volume, volumeId_}, {Directory, kRootDirectory}}, {afpPath}));
}

// rename(2)'s replacing of an existing `to`, which AFP's renames refuse: a file goes, a
// folder only when empty, and never `from` itself under another spelling of its name (a
// server that folds case finds it at `to`).
int AfpVolumeClient::replaceTarget(std::string_view from, std::string_view to) {
    AfpEntry source, target;
    if (const int error = stat(from, source); error != 0) return error;
    const int found = stat(to, target);
    if (found == ENOENT) return 0;
    if (found != 0) return found;
    if (source.id != 0 && source.id == target.id && source.isDirectory == target.isDirectory) return 0;
    if (target.isDirectory && !source.isDirectory) return EISDIR;
    if (!target.isDirectory && source.isDirectory) return ENOTDIR;
    return remove(to);
}

int AfpVolumeClient::rename(std::string_view from, std::string_view to) {
    AfpPath fromPath, fromParent, toParent;
    std::string fromName, toName;
    if (const int error = afpPathOf(from, fromPath); error != 0) return error;
    if (const int error = splitPath(from, fromParent, fromName); error != 0) return error;
    if (const int error = splitPath(to, toParent, toName); error != 0) return error;
    if (fromParent == toParent && fromName == toName) return 0;
    if (const int error = replaceTarget(from, to); error != 0) return error;
    const AfpPath newName{AfpPathType::LongNames, toName};
    if (fromParent == toParent)
        return simpleCall(
            requestOf(AfpCommand::Rename, {{Volume, volumeId_}, {Directory, kRootDirectory}}, {fromPath, newName}));
    return simpleCall(requestOf(AfpCommand::MoveAndRename,
                                {{Volume, volumeId_}, {Directory, kRootDirectory}, {DestDirectory, kRootDirectory}},
                                {fromPath, toParent, newName}));
}

int AfpVolumeClient::setParameters(std::string_view path, const AfpParameters& parameters) {
    AfpPath afpPath;
    if (const int error = afpPathOf(path, afpPath); error != 0) return error;
    const auto block = parameters.serialize();
    if (!block) return EINVAL;
    auto request =
        requestOf(AfpCommand::SetFileDirParms,
                  {{Volume, volumeId_}, {Directory, kRootDirectory}, {Bitmap, parameters.bitmap}}, {afpPath});
    request.block.rest = *block;
    return simpleCall(request);
}

int AfpVolumeClient::setModified(std::string_view path, std::int64_t unixSeconds) {
    AfpParameters parameters;
    parameters.set(file_bit::Modified, afpDateOf(unixSeconds));
    return setParameters(path, parameters);
}

int AfpVolumeClient::setFinderInfo(std::string_view path, std::span<const std::uint8_t, 32> finderInfo) {
    AfpParameters parameters;
    parameters.setBlob(file_bit::FinderInfo, {finderInfo.begin(), finderInfo.end()});
    return setParameters(path, parameters);
}

int AfpVolumeClient::setAttributes(std::string_view path, std::uint16_t bits, bool set) {
    AfpParameters parameters;
    parameters.set(file_bit::Attributes, (bits & ~kSetAttributes) | (set ? kSetAttributes : 0));
    return setParameters(path, parameters);
}

int AfpVolumeClient::openFork(std::string_view path, AfpForkKind kind, bool write, AfpOpenFork& fork) {
    AfpPath afpPath;
    if (const int error = afpPathOf(path, afpPath); error != 0) return error;
    const int lengthBit = lengthBitOf(kind);
    const auto request = requestOf(AfpCommand::OpenFork,
                                   {{Flag, kind == AfpForkKind::Resource ? kResourceFork : 0u},
                                    {Volume, volumeId_},
                                    {Directory, kRootDirectory},
                                    {Bitmap, 1u << lengthBit},
                                    {AccessMode, write ? kAccessRead | kAccessWrite : kAccessRead}},
                                   {afpPath});
    Reply reply;
    if (const int error = exchange(request.serialize(), {}, reply); error != 0) return error;
    if (reply.result == code(AfpResult::ObjectTypeErr)) return EISDIR;
    if (reply.result != code(AfpResult::NoErr)) return errnoForAfpResult(reply.result);
    const auto parsed = AfpReply::parse(AfpCommand::OpenFork, reply.bytes);
    const auto parameters =
        parsed ? AfpParameters::parse(ParameterKind::File, static_cast<std::uint16_t>(parsed->block.get(Bitmap)),
                                      parsed->block.rest)
               : std::nullopt;
    if (!parameters) return EIO;
    fork.reference = static_cast<std::uint16_t>(parsed->block.get(Reference));
    fork.length = parameters->numbers[lengthBit];
    forkKinds_[fork.reference] = kind;
    return 0;
}

int AfpVolumeClient::read(std::uint16_t reference, std::uint64_t offset, std::span<std::uint8_t> into,
                          std::size_t& got) {
    got = 0;
    const std::size_t unit = std::max<std::size_t>(1, transport_.transferLimit());
    while (got < into.size()) {
        const std::uint64_t at = offset + got;
        if (at > kMaxForkOffset) return got > 0 ? 0 : EFBIG;
        const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(
            {into.size() - got, unit, kMaxForkOffset - at + 1, std::numeric_limits<std::uint32_t>::max()}));
        const auto request = requestOf(
            AfpCommand::Read, {{Reference, reference}, {Offset, static_cast<std::uint32_t>(at)}, {Count, count}});
        Reply reply;
        if (const int error = exchange(request.serialize(), {}, reply); error != 0) return error;
        const bool atEnd = reply.result == code(AfpResult::EOFErr);
        if (!atEnd && reply.result != code(AfpResult::NoErr)) return errnoForAfpResult(reply.result);
        if (reply.bytes.size() > count) return EIO; // more than asked for: a broken server
        std::copy(reply.bytes.begin(), reply.bytes.end(), into.begin() + static_cast<std::ptrdiff_t>(got));
        got += reply.bytes.size();
        if (atEnd || reply.bytes.empty()) break; // nothing more, even without the word for it
    }
    return 0;
}

int AfpVolumeClient::write(std::uint16_t reference, std::uint64_t offset, std::span<const std::uint8_t> data) {
    if (offset > kMaxForkOffset || data.size() > kMaxForkOffset + 1 - offset) return EFBIG;
    const std::size_t unit = std::max<std::size_t>(1, transport_.transferLimit());
    for (std::size_t done = 0; done < data.size();) {
        const auto chunk = data.subspan(done, std::min(unit, data.size() - done));
        const auto request = requestOf(AfpCommand::Write, {{Reference, reference},
                                                           {Offset, static_cast<std::uint32_t>(offset + done)},
                                                           {Count, static_cast<std::uint32_t>(chunk.size())}});
        Reply reply;
        if (const int error = exchange(request.serialize(), chunk, reply); error != 0) return error;
        if (reply.result != code(AfpResult::NoErr)) return errnoForAfpResult(reply.result);
        done += chunk.size();
    }
    return 0;
}

int AfpVolumeClient::setForkLength(std::uint16_t reference, std::uint64_t length) {
    if (length > kMaxForkOffset) return EFBIG;
    const auto kind = forkKinds_.find(reference);
    if (kind == forkKinds_.end()) return EBADF;
    AfpParameters parameters;
    parameters.set(lengthBitOf(kind->second), length);
    const auto block = parameters.serialize();
    if (!block) return EINVAL;
    auto request = requestOf(AfpCommand::SetForkParms, {{Reference, reference}, {Bitmap, parameters.bitmap}});
    request.block.rest = *block;
    return simpleCall(request);
}

int AfpVolumeClient::flushFork(std::uint16_t reference) {
    return simpleCall(requestOf(AfpCommand::FlushFork, {{Reference, reference}}));
}

int AfpVolumeClient::closeFork(std::uint16_t reference) {
    forkKinds_.erase(reference);
    return simpleCall(requestOf(AfpCommand::CloseFork, {{Reference, reference}}));
}

} // namespace appletalk::afp
