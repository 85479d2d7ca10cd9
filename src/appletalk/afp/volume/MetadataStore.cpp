// SPDX-License-Identifier: MIT
#include "appletalk/afp/volume/MetadataStore.h"

#include "appletalk/afp/volume/BeneathOpener.h"
#include "appletalk/afp/volume/MacName.h"

#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace appletalk::afp {
namespace {

// The attribute the common Linux AFP server keeps its AppleDouble metadata record in, so that a
// folder it served keeps its icons and types here, and back.
constexpr const char* kMetadataAttribute = "user.org.netatalk.Metadata";
// Enough for the record of the Linux layout, and for a foreign "._" file's table and Finder
// info (the Mac OS X kind keeps 3,760 bytes of it).
constexpr std::size_t kHeadBytesRead = 4096;
// Where the resource fork's length is in the head of our "._" files: the ninth entry's length.
constexpr std::uint64_t kOwnLengthField = kAppleDoubleHeaderBytes + 8 * kAppleDoubleEntryBytes + 8;
constexpr std::size_t kCopyChunk = 64 * 1024;

bool attributesMissing(int error) { return error == ENOTSUP || error == EOPNOTSUPP; }

UniqueFd openEntry(int parentFd, const std::string& name) {
    return UniqueFd(::openat(parentFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
}

struct Head {
    std::vector<std::uint8_t> bytes;
    std::uint64_t fileSize = 0;
};

std::optional<Head> readHead(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return {};
    Head head;
    head.fileSize = static_cast<std::uint64_t>(status.st_size);
    head.bytes.resize(std::min<std::uint64_t>(head.fileSize, kHeadBytesRead));
    const auto got = ::pread(fd, head.bytes.data(), head.bytes.size(), 0);
    if (got < 0) return {};
    head.bytes.resize(static_cast<std::size_t>(got));
    return head;
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t size, std::uint64_t offset) {
    while (size > 0) {
        const auto wrote = ::pwrite(fd, data, size, static_cast<off_t>(offset));
        if (wrote <= 0) return false;
        data += wrote;
        size -= static_cast<std::size_t>(wrote);
        offset += static_cast<std::uint64_t>(wrote);
    }
    return true;
}

bool copyRange(int from, std::uint64_t fromOffset, int to, std::uint64_t toOffset, std::uint64_t length) {
    std::vector<std::uint8_t> chunk(kCopyChunk);
    while (length > 0) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(length, chunk.size()));
        const auto got = ::pread(from, chunk.data(), want, static_cast<off_t>(fromOffset));
        if (got <= 0) return false;
        if (!writeAll(to, chunk.data(), static_cast<std::size_t>(got), toOffset)) return false;
        fromOffset += static_cast<std::uint64_t>(got);
        toOffset += static_cast<std::uint64_t>(got);
        length -= static_cast<std::uint64_t>(got);
    }
    return true;
}

std::uint32_t readLength(int fd, std::uint64_t field) {
    std::uint8_t bytes[4] = {};
    if (::pread(fd, bytes, sizeof bytes, static_cast<off_t>(field)) != sizeof bytes) return 0;
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
           bytes[3];
}

} // namespace

std::string MetadataStore::sidecarName(const std::string& name) { return std::string(kSidecarPrefix) + name; }

VolumeResult<std::optional<MacMetadata>> MetadataStore::read(int parentFd, const std::string& name) {
    if (storage_ == Storage::ExtendedAttributes) return readAttribute(parentFd, name);
    return readSidecar(parentFd, name);
}

VolumeError MetadataStore::write(int parentFd, const std::string& name, const MacMetadata& metadata) {
    if (storage_ == Storage::ExtendedAttributes) return writeAttribute(parentFd, name, metadata);
    return writeSidecar(parentFd, name, metadata);
}

VolumeResult<std::optional<MacMetadata>> MetadataStore::readAttribute(int parentFd, const std::string& name) {
    const auto fd = openEntry(parentFd, name);
    if (!fd.valid()) return volumeErrorOf(errno);
    std::vector<std::uint8_t> bytes(kHeadBytesRead);
    const auto got = ::fgetxattr(fd.get(), kMetadataAttribute, bytes.data(), bytes.size());
    if (got < 0) {
        // None yet: a "._" file another program left (a folder copied from a Mac) may tell.
        if (errno == ENODATA) return readSidecar(parentFd, name);
        if (!attributesMissing(errno)) return volumeErrorOf(errno);
        storage_ = Storage::Sidecar; // this filesystem has none: the "._" files from now on
        return readSidecar(parentFd, name);
    }
    bytes.resize(static_cast<std::size_t>(got));
    return parseMetadata(bytes); // a record that is not AppleDouble counts as none
}

VolumeError MetadataStore::writeAttribute(int parentFd, const std::string& name, const MacMetadata& metadata) {
    const auto fd = openEntry(parentFd, name);
    if (!fd.valid()) return volumeErrorOf(errno);
    const auto bytes = serializeMetadata(metadata);
    if (::fsetxattr(fd.get(), kMetadataAttribute, bytes.data(), bytes.size(), 0) == 0) return VolumeError::None;
    if (!attributesMissing(errno)) return volumeErrorOf(errno);
    storage_ = Storage::Sidecar;
    return writeSidecar(parentFd, name, metadata);
}

VolumeResult<std::optional<MacMetadata>> MetadataStore::readSidecar(int parentFd, const std::string& name) {
    const UniqueFd fd(::openat(parentFd, sidecarName(name).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) return errno == ENOENT ? VolumeResult(std::optional<MacMetadata>()) : volumeErrorOf(errno);
    const auto head = readHead(fd.get());
    if (!head) return VolumeError::Io;
    return parseMetadata(head->bytes, head->fileSize);
}

VolumeError MetadataStore::writeSidecar(int parentFd, const std::string& name, const MacMetadata& metadata) {
    auto fd = openOwnSidecar(parentFd, name);
    if (!fd.ok()) return fd.error;
    const auto head = serializeSidecarHead(metadata, readLength(fd.value.get(), kOwnLengthField));
    return writeAll(fd.value.get(), head.data(), head.size(), 0) ? VolumeError::None : VolumeError::Io;
}

VolumeResult<UniqueFd> MetadataStore::openOwnSidecar(int parentFd, const std::string& name) {
    const auto sidecar = sidecarName(name);
    UniqueFd fd(::openat(parentFd, sidecar.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid() && errno == ENOENT) {
        fd = UniqueFd(::openat(parentFd, sidecar.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!fd.valid()) return volumeErrorOf(errno);
        const auto head = serializeSidecarHead({}, 0);
        if (!writeAll(fd.get(), head.data(), head.size(), 0)) return VolumeError::Io;
        return fd;
    }
    if (!fd.valid()) return volumeErrorOf(errno);
    const auto head = readHead(fd.get());
    const auto header = head ? AppleDoubleHeader::parse(head->bytes, head->fileSize) : std::nullopt;
    // Not AppleDouble: a file that only looks like ours is left as it is.
    if (!header) return VolumeError::Io;
    if (isSidecarLayout(*header)) return fd;
    // Another program's layout: rewritten as ours beside it, then put in its place.
    const auto metadata = parseMetadata(head->bytes, head->fileSize).value_or(MacMetadata{});
    const auto* fork = header->find(AppleDoubleEntry::ResourceFork);
    const std::uint32_t forkLength = fork != nullptr ? fork->length : 0;
    const auto temporary = sidecar + "~";
    UniqueFd rewritten(
        ::openat(parentFd, temporary.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!rewritten.valid()) return volumeErrorOf(errno);
    const auto ownHead = serializeSidecarHead(metadata, forkLength);
    const bool copied =
        writeAll(rewritten.get(), ownHead.data(), ownHead.size(), 0) &&
        (fork == nullptr || copyRange(fd.get(), fork->offset, rewritten.get(), kSidecarHeadBytes, forkLength));
    if (!copied || ::renameat(parentFd, temporary.c_str(), parentFd, sidecar.c_str()) != 0) {
        ::unlinkat(parentFd, temporary.c_str(), 0);
        return VolumeError::Io;
    }
    return rewritten;
}

VolumeResult<ResourceForkPlace> MetadataStore::openResourceFork(int parentFd, const std::string& name, bool writable) {
    ResourceForkPlace place;
    if (writable) {
        auto fd = openOwnSidecar(parentFd, name);
        if (!fd.ok()) return fd.error;
        place.fd = std::move(fd.value);
        place.start = kSidecarHeadBytes;
        place.lengthField = kOwnLengthField;
        return place;
    }
    place.fd = UniqueFd(::openat(parentFd, sidecarName(name).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!place.fd.valid()) return errno == ENOENT ? VolumeResult(ResourceForkPlace{}) : volumeErrorOf(errno);
    const auto head = readHead(place.fd.get());
    const auto header = head ? AppleDoubleHeader::parse(head->bytes, head->fileSize) : std::nullopt;
    if (!header) return VolumeError::Io;
    for (std::size_t i = 0; i < header->entries.size(); ++i) {
        if (header->entries[i].id != static_cast<std::uint32_t>(AppleDoubleEntry::ResourceFork)) continue;
        place.start = header->entries[i].offset;
        place.lengthField = kAppleDoubleHeaderBytes + i * kAppleDoubleEntryBytes + 8;
        return place;
    }
    return ResourceForkPlace{}; // a "._" file with metadata only: the fork is empty
}

std::uint64_t MetadataStore::resourceForkSize(int parentFd, const std::string& name) {
    const auto place = openResourceFork(parentFd, name, false);
    if (!place.ok() || !place.value.fd.valid()) return 0;
    return readLength(place.value.fd.get(), place.value.lengthField);
}

VolumeError MetadataStore::renameSidecar(int fromParentFd, const std::string& from, int toParentFd,
                                         const std::string& to) {
    if (::renameat(fromParentFd, sidecarName(from).c_str(), toParentFd, sidecarName(to).c_str()) == 0 ||
        errno == ENOENT)
        return VolumeError::None;
    return volumeErrorOf(errno);
}

VolumeError MetadataStore::removeSidecar(int parentFd, const std::string& name) {
    if (::unlinkat(parentFd, sidecarName(name).c_str(), 0) == 0 || errno == ENOENT) return VolumeError::None;
    return volumeErrorOf(errno);
}

} // namespace appletalk::afp
