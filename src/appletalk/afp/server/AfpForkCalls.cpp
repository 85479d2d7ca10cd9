// SPDX-License-Identifier: MIT
// OpenFork, Read, Write, FlushFork, GetForkParms, SetForkParms, CloseFork and ByteRangeLock.
// A fork reference is looked up in the asking session's table only.
#include "appletalk/afp/server/AfpCalls.h"
#include "appletalk/afp/server/AfpParameterBlocks.h"
#include "appletalk/afp/server/AfpResultOf.h"

#include <algorithm>

namespace appletalk::afp::calls {

namespace {

constexpr auto kNoErr = static_cast<std::int32_t>(AfpResult::NoErr);
constexpr std::uint64_t kMaxForkOffset = 0xFFFFFFFF; // AFP 2.x offsets are 32 bits
constexpr std::uint32_t kToTheEnd = 0xFFFFFFFF; // a lock length of -1: to the largest offset
constexpr std::uint16_t kKnownAccessBits =
    AfpAccessMode::kRead | AfpAccessMode::kWrite | AfpAccessMode::kDenyRead | AfpAccessMode::kDenyWrite;

AfpOpenFork* forkOf(AfpSessionState& session, const AfpCall& call) {
    const auto reference = call.get(AfpField::Reference);
    return reference > 0xFFFF ? nullptr : session.forks().find(static_cast<std::uint16_t>(reference));
}

int lengthBitOf(ForkKind kind) {
    return kind == ForkKind::Data ? file_bit::DataForkLength : file_bit::ResourceForkLength;
}

// A start given from the fork's end is a signed offset from it; nothing when it lands
// before the fork's first byte or past AFP's 32-bit range.
std::optional<std::uint64_t> startOf(const AfpOpenFork& open, const AfpCall& call) {
    const auto offset = call.get(AfpField::Offset);
    if ((call.get(AfpField::Flag) & kFromEnd) == 0) return offset;
    const auto start = static_cast<std::int64_t>(open.fork->size()) + static_cast<std::int32_t>(offset);
    if (start < 0 || static_cast<std::uint64_t>(start) > kMaxForkOffset) return std::nullopt;
    return static_cast<std::uint64_t>(start);
}

// Stops after the first byte that, masked, equals the newline character.
std::size_t newlineCut(std::span<const std::uint8_t> bytes, std::uint8_t mask, std::uint8_t newline) {
    if (mask == 0) return bytes.size();
    const auto found =
        std::find_if(bytes.begin(), bytes.end(), [&](std::uint8_t byte) { return (byte & mask) == newline; });
    return found == bytes.end() ? bytes.size() : static_cast<std::size_t>(found - bytes.begin()) + 1;
}

AfpAnswer forkParameters(AfpSessionState& session, AfpCommand command, const AfpOpenFork& open, EntryInfo entry,
                         std::uint16_t bitmap, std::uint16_t reference) {
    const auto& shared = *session.server().volumeById(open.key.volume);
    // The lengths of the fork as it is now, writes of this session included.
    if (open.key.kind == ForkKind::Data) entry.dataSize = open.fork->size();
    if (open.key.kind == ForkKind::Resource) entry.resourceSize = open.fork->size();
    AfpBlock block =
        withParameters(entryParameters(entry, bitmap, shared.macName, openForkBits(session, shared, entry)));
    block.set(AfpField::Reference, reference);
    return reply(session, command, block);
}

AfpResult openChecks(AfpSessionState& session, const EntryInfo& entry, AfpAccessMode mode, bool readOnlyVolume) {
    if (entry.isDirectory) return AfpResult::ObjectTypeErr;
    if (mode.writes() && readOnlyVolume) return AfpResult::VolLocked;
    if (mode.writes() && (entry.attributes & kWriteInhibit) != 0) return AfpResult::ObjectLocked;
    if (session.forks().full()) return AfpResult::TooManyFilesOpen;
    return AfpResult::NoErr;
}

} // namespace

AfpAnswer openFork(AfpSessionState& session, const AfpCall& call) {
    const auto bitmap = static_cast<std::uint16_t>(call.get(AfpField::Bitmap));
    const AfpAccessMode mode{static_cast<std::uint16_t>(call.get(AfpField::AccessMode))};
    if ((bitmap & ~AfpParameters::knownBits(ParameterKind::File)) != 0) return answer(AfpResult::BitmapErr);
    if ((mode.bits & ~kKnownAccessBits) != 0) return answer(AfpResult::ParamErr);
    const auto located =
        locate(session, call.get(AfpField::Volume), call.get(AfpField::Directory), call.request.block.paths[0]);
    if (located.result != AfpResult::NoErr) return answer(located.result);
    auto& volume = *located.shared->volume;
    auto entry = volume.parameters(located.target.directoryId, located.target.name);
    if (!entry.ok()) return answer(afpResultOf(entry.error));
    if (const auto refused = openChecks(session, entry.value, mode, located.shared->config.readOnly);
        refused != AfpResult::NoErr)
        return answer(refused);
    const auto kind = (call.get(AfpField::Flag) & kResourceFork) != 0 ? ForkKind::Resource : ForkKind::Data;
    const AfpForkKey key{located.shared->id, entry.value.id, kind};
    const auto owner = session.server().newOwner();
    if (const auto denied = session.server().locks().open(owner, key, mode); denied != AfpResult::NoErr)
        return answer(denied);
    auto fork = volume.openFork(located.target.directoryId, located.target.name, kind, mode.writes());
    if (!fork.ok()) {
        session.server().locks().close(owner);
        return answer(afpResultOf(fork.error));
    }
    const auto reference = session.addFork(AfpOpenFork{key, mode, owner, std::move(fork.value)});
    auto answered =
        forkParameters(session, AfpCommand::OpenFork, *session.forks().find(reference), entry.value, bitmap, reference);
    if (answered.result != kNoErr) session.closeFork(reference); // a reference the client never learnt
    return answered;
}

AfpAnswer read(AfpSessionState& session, const AfpCall& call) {
    auto* open = forkOf(session, call);
    if (open == nullptr) return answer(AfpResult::ParamErr);
    if (!open->mode.reads()) return answer(AfpResult::AccessDenied);
    const std::uint64_t offset = call.get(AfpField::Offset);
    const std::size_t wanted = std::min<std::size_t>(call.get(AfpField::Count), session.options().maxReply);
    if (wanted == 0) return answer(AfpResult::NoErr);
    if (session.server().locks().lockedByOther(open->owner, offset, wanted)) return answer(AfpResult::LockErr);
    std::vector<std::uint8_t> bytes(wanted);
    auto got = open->fork->read(offset, bytes);
    if (!got.ok()) return answer(afpResultOf(got.error));
    const auto mask = static_cast<std::uint8_t>(call.get(AfpField::NewlineMask));
    const auto newline = static_cast<std::uint8_t>(call.get(AfpField::NewlineChar));
    const auto cut = newlineCut(std::span(bytes).first(got.value), mask, newline);
    const bool stoppedAtNewline = mask != 0 && cut > 0 && (bytes[cut - 1] & mask) == newline;
    bytes.resize(cut);
    // Fewer bytes than asked, with no newline to stop at, means the fork ended first.
    const bool atEnd = got.value < wanted && !stoppedAtNewline;
    return answer(atEnd ? AfpResult::EOFErr : AfpResult::NoErr, std::move(bytes));
}

AfpAnswer write(AfpSessionState& session, const AfpCall& call) {
    auto* open = forkOf(session, call);
    if (open == nullptr) return answer(AfpResult::ParamErr);
    if (!open->mode.writes()) return answer(AfpResult::AccessDenied);
    const auto start = startOf(*open, call);
    if (!start) return answer(AfpResult::ParamErr);
    const auto bytes = call.data.first(std::min<std::size_t>(call.get(AfpField::Count), call.data.size()));
    if (*start + bytes.size() > kMaxForkOffset) return answer(AfpResult::DiskFull);
    if (!bytes.empty() && session.server().locks().lockedByOther(open->owner, *start, bytes.size()))
        return answer(AfpResult::LockErr);
    if (const auto error = open->fork->write(*start, bytes); error != VolumeError::None)
        return answer(afpResultOf(error));
    AfpBlock block;
    block.set(AfpField::Offset, static_cast<std::uint32_t>(*start + bytes.size()));
    return reply(session, AfpCommand::Write, block);
}

AfpAnswer flushFork(AfpSessionState& session, const AfpCall& call) {
    auto* open = forkOf(session, call);
    if (open == nullptr) return answer(AfpResult::ParamErr);
    return answer(afpResultOf(open->fork->flush()));
}

AfpAnswer getForkParms(AfpSessionState& session, const AfpCall& call) {
    auto* open = forkOf(session, call);
    if (open == nullptr) return answer(AfpResult::ParamErr);
    const auto bitmap = static_cast<std::uint16_t>(call.get(AfpField::Bitmap));
    const int otherLength = lengthBitOf(open->key.kind == ForkKind::Data ? ForkKind::Resource : ForkKind::Data);
    if ((bitmap & ~AfpParameters::knownBits(ParameterKind::File)) != 0 || (bitmap >> otherLength) & 1)
        return answer(AfpResult::BitmapErr);
    auto* shared = session.server().volumeById(open->key.volume);
    auto entry = entryById(*shared->volume, open->key.fileId);
    if (!entry.ok()) return answer(afpResultOf(entry.error));
    return forkParameters(session, AfpCommand::GetForkParms, *open, entry.value, bitmap, 0);
}

AfpAnswer setForkParms(AfpSessionState& session, const AfpCall& call) {
    auto* open = forkOf(session, call);
    if (open == nullptr) return answer(AfpResult::ParamErr);
    const auto bitmap = static_cast<std::uint16_t>(call.get(AfpField::Bitmap));
    if (bitmap != (1u << lengthBitOf(open->key.kind))) return answer(AfpResult::BitmapErr);
    const auto parsed = AfpParameters::parse(ParameterKind::File, bitmap, call.request.block.rest);
    if (!parsed) return answer(AfpResult::ParamErr);
    if (!open->mode.writes()) return answer(AfpResult::AccessDenied);
    const std::uint64_t length = parsed->numbers[static_cast<std::size_t>(lengthBitOf(open->key.kind))];
    const std::uint64_t size = open->fork->size();
    const auto changedFrom = std::min(length, size);
    if (length != size &&
        session.server().locks().lockedByOther(open->owner, changedFrom, std::max(length, size) - changedFrom))
        return answer(AfpResult::LockErr);
    return answer(afpResultOf(open->fork->resize(length)));
}

AfpAnswer closeFork(AfpSessionState& session, const AfpCall& call) {
    if (forkOf(session, call) == nullptr) return answer(AfpResult::ParamErr);
    session.closeFork(static_cast<std::uint16_t>(call.get(AfpField::Reference)));
    return answer(AfpResult::NoErr);
}

AfpAnswer byteRangeLock(AfpSessionState& session, const AfpCall& call) {
    auto* open = forkOf(session, call);
    if (open == nullptr) return answer(AfpResult::ParamErr);
    const auto start = startOf(*open, call);
    const std::uint32_t count = call.get(AfpField::Count);
    if (!start || count == 0) return answer(AfpResult::ParamErr);
    const std::uint64_t length = count == kToTheEnd ? kMaxForkOffset + 1 - *start : count;
    auto& locks = session.server().locks();
    const auto result = (call.get(AfpField::Flag) & kUnlock) != 0
                            ? locks.unlock(open->owner, *start, length)
                            : locks.lock(open->owner, *start, length, session.server().config().limits.locksPerFork);
    if (result != AfpResult::NoErr) return answer(result);
    AfpBlock block;
    block.set(AfpField::Offset, static_cast<std::uint32_t>(*start));
    return reply(session, AfpCommand::ByteRangeLock, block);
}

} // namespace appletalk::afp::calls
