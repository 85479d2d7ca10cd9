// SPDX-License-Identifier: MIT
#include "appletalk/afp/volume/Volume.h"

#include "appletalk/afp/volume/AccessRights.h"
#include "appletalk/afp/volume/MacName.h"

#include <algorithm>
#include <cerrno>
#include <cstdio> // renameat2
#include <cstring>
#include <ctime>
#include <functional>
#include <random>

#include <dirent.h>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace appletalk::afp {
namespace {

constexpr std::int64_t kMacEpochInUnix = 946684800; // 2000-01-01 00:00 UTC
// Deeper than any folder a Mac can show; a loop in the database stops here.
constexpr int kMaxDepth = 1024;
constexpr std::size_t kCopyChunk = 256 * 1024;
// AFP's file attribute bits that CopyFile looks at: a copy-protected file is not copied, and
// the "already open" bits are the original's state, not the copy's.
constexpr std::uint16_t kDataAlreadyOpen = 1 << 3;
constexpr std::uint16_t kResourceAlreadyOpen = 1 << 4;
constexpr std::uint16_t kCopyProtect = 1 << 10;

std::int32_t macTime(std::time_t unixTime) {
    const auto seconds = static_cast<std::int64_t>(unixTime) - kMacEpochInUnix;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(seconds, INT32_MIN + 1, INT32_MAX));
}

std::string joined(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

bool servable(const struct stat& status) { return S_ISREG(status.st_mode) || S_ISDIR(status.st_mode); }

// Calls `each` with every name in the folder but "." and ".."; false when it cannot be read.
bool forEachName(int folderFd, const std::function<void(const std::string&)>& each) {
    const int fd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return false;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") each(name);
    }
    ::closedir(dir);
    return true;
}

bool exists(int folderFd, const std::string& name) {
    struct stat status {};
    return ::fstatat(folderFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

// A name no client sees (the "._" prefix is hidden) for work in progress; left over after a
// crash, it goes with its folder like any AppleDouble leftover.
std::string temporaryName() {
    static std::mt19937_64 random{std::random_device{}()};
    char name[48];
    std::snprintf(name, sizeof name, "._vidur-work-%016llx", static_cast<unsigned long long>(random()));
    return name;
}

// 0 or the errno of a rename that never replaces; a filesystem without RENAME_NOREPLACE is
// looked at first.
int renameNoReplace(int fromFd, const std::string& from, int toFd, const std::string& to) {
    if (::renameat2(fromFd, from.c_str(), toFd, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL) return errno;
    if (exists(toFd, to)) return EEXIST;
    return ::renameat(fromFd, from.c_str(), toFd, to.c_str()) == 0 ? 0 : errno;
}

// 0 or the errno of swapping two names: atomic where the filesystem has RENAME_EXCHANGE,
// through a third name elsewhere (put back as it was when a step fails).
int exchangeNames(int fdA, const std::string& a, int fdB, const std::string& b) {
    if (::renameat2(fdA, a.c_str(), fdB, b.c_str(), RENAME_EXCHANGE) == 0) return 0;
    if (errno != EINVAL) return errno;
    const auto aside = temporaryName();
    if (::renameat(fdA, a.c_str(), fdA, aside.c_str()) != 0) return errno;
    if (::renameat(fdB, b.c_str(), fdA, a.c_str()) != 0) {
        const int error = errno;
        ::renameat(fdA, aside.c_str(), fdA, a.c_str());
        return error;
    }
    if (::renameat(fdA, aside.c_str(), fdB, b.c_str()) != 0) {
        const int error = errno;
        ::renameat(fdA, a.c_str(), fdB, b.c_str());
        ::renameat(fdA, aside.c_str(), fdA, a.c_str());
        return error;
    }
    return 0;
}

// The AppleDouble files follow their data files, whichever of the two have one.
int exchangeSidecars(int fdA, const std::string& a, int fdB, const std::string& b) {
    const auto sidecarA = MetadataStore::sidecarName(a);
    const auto sidecarB = MetadataStore::sidecarName(b);
    const bool hasA = exists(fdA, sidecarA);
    const bool hasB = exists(fdB, sidecarB);
    if (hasA && hasB) return exchangeNames(fdA, sidecarA, fdB, sidecarB);
    if (hasA) return ::renameat(fdA, sidecarA.c_str(), fdB, sidecarB.c_str()) == 0 ? 0 : errno;
    if (hasB) return ::renameat(fdB, sidecarB.c_str(), fdA, sidecarA.c_str()) == 0 ? 0 : errno;
    return 0;
}

VolumeError copyFork(const Fork& from, Fork& to) {
    std::vector<std::uint8_t> chunk(kCopyChunk);
    for (std::uint64_t offset = 0;;) {
        const auto got = from.read(offset, chunk);
        if (!got.ok() || got.value == 0) return got.error;
        if (const auto error = to.write(offset, {chunk.data(), got.value}); error != VolumeError::None) return error;
        offset += got.value;
    }
}

} // namespace

std::string_view describe(VolumeError error) {
    switch (error) {
    case VolumeError::None: return "done";
    case VolumeError::NotFound: return "no such file, folder or ID";
    case VolumeError::Exists: return "the name is taken";
    case VolumeError::AccessDenied: return "access denied";
    case VolumeError::ReadOnly: return "the volume is read-only";
    case VolumeError::BadName: return "not a name a client may use";
    case VolumeError::NotEmpty: return "the folder is not empty";
    case VolumeError::Outside: return "outside the volume";
    case VolumeError::WrongKind: return "a folder where a file was meant, or the other way round";
    case VolumeError::CannotMove: return "a folder cannot go into itself";
    case VolumeError::Io: return "the disk or the ID database failed";
    case VolumeError::DiskFull: return "the disk is full";
    case VolumeError::SameObject: return "both names are the same file";
    case VolumeError::IdExists: return "the file already has a file ID";
    case VolumeError::IdNotFound: return "no such file ID";
    case VolumeError::BadId: return "not a file's ID";
    case VolumeError::TooLarge: return "too many bytes for the item";
    }
    return "unknown";
}

Volume::Volume(VolumeOptions options, UniqueFd root, std::unique_ptr<IdDatabase> ids)
    : options_(std::move(options)),
      root_(std::move(root)),
      ids_(std::move(ids)),
      opener_(options_.resolution),
      metadata_(options_.storage) {
    std::error_code ignored;
    if (std::filesystem::equivalent(options_.database.parent_path(), options_.root, ignored))
        databaseName_ = options_.database.filename().string();
    const int count = ::getgroups(0, nullptr);
    groups_.resize(static_cast<std::size_t>(std::max(count, 0)));
    if (count > 0) groups_.resize(static_cast<std::size_t>(std::max(::getgroups(count, groups_.data()), 0)));
}

std::unique_ptr<Volume> Volume::open(const VolumeOptions& options, std::string& problem) {
    UniqueFd root(::open(options.root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!root.valid()) {
        problem = options.root.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    if (options.database.empty()) {
        problem = options.root.string() + ": no ID database given";
        return nullptr;
    }
    auto ids = IdDatabase::open(options.database, problem);
    if (!ids) return nullptr;
    struct stat status {};
    ::fstat(root.get(), &status);
    // The root is whatever folder the volume is given: it keeps ID 2 wherever it is.
    if (ids->byId(kRootId))
        ids->setInode(kRootId, status.st_dev, status.st_ino);
    else if (ids->add(kRootParentId, "", status.st_dev, status.st_ino) != kRootId) {
        problem = options.database.string() + ": cannot record the root folder";
        return nullptr;
    }
    return std::unique_ptr<Volume>(new Volume(options, std::move(root), std::move(ids)));
}

bool Volume::hidden(std::uint32_t directoryId, const std::string& name) const {
    if (name.starts_with(kSidecarPrefix)) return true;
    // The database and its journal, when they are kept in the root folder.
    return directoryId == kRootId && !databaseName_.empty() && name.starts_with(databaseName_);
}

std::optional<std::string> Volume::recordedPath(const IdDatabase::Record& record) {
    std::vector<std::string> names;
    auto current = record;
    for (int depth = 0; current.id != kRootId; ++depth) {
        if (depth == kMaxDepth) return {};
        names.push_back(current.name);
        const auto parent = ids_->byId(current.parent);
        if (!parent) return {};
        current = *parent;
    }
    std::string path;
    for (auto it = names.rbegin(); it != names.rend(); ++it) path = joined(path, *it);
    return path;
}

bool Volume::statBeneath(const std::string& path, struct stat& status) {
    // A walk opens a final link itself (O_PATH with O_NOFOLLOW): that is a link it refuses.
    const auto fd = opener_.open(root_.get(), path, O_PATH);
    return fd.ok() && ::fstat(fd.value.get(), &status) == 0 && !S_ISLNK(status.st_mode);
}

bool Volume::stillAt(const IdDatabase::Record& record) {
    if (record.id == kRootId) return true;
    const auto path = recordedPath(record);
    struct stat status {};
    return path && statBeneath(*path, status) && status.st_ino == record.inode && status.st_dev == record.device;
}

std::optional<IdDatabase::Record> Volume::refind(const IdDatabase::Record& lost) {
    // Renamed behind the server's back within its folder: the same inode under another name.
    const auto folder = ids_->byId(lost.parent);
    const auto folderPath = folder ? recordedPath(*folder) : std::nullopt;
    if (!folderPath) return {};
    const auto folderFd = opener_.open(root_.get(), *folderPath, O_PATH | O_DIRECTORY);
    if (!folderFd.ok()) return {};
    std::optional<std::string> found;
    forEachName(folderFd.value.get(), [&](const std::string& name) {
        struct stat status {};
        if (!found && !hidden(lost.parent, name) &&
            ::fstatat(folderFd.value.get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            status.st_ino == lost.inode && status.st_dev == lost.device)
            found = name;
    });
    if (!found || !ids_->move(lost.id, lost.parent, *found)) return {};
    return ids_->byId(lost.id);
}

VolumeResult<std::string> Volume::pathOf(std::uint32_t id) {
    auto record = ids_->byId(id);
    if (!record) return VolumeError::NotFound;
    if (!stillAt(*record)) record = refind(*record);
    if (!record) return VolumeError::NotFound;
    const auto path = recordedPath(*record);
    if (!path) return VolumeError::NotFound;
    return *path;
}

VolumeResult<UniqueFd> Volume::openDirectory(std::uint32_t id, std::string* path) {
    auto where = pathOf(id);
    if (!where.ok()) return where.error;
    auto fd = opener_.open(root_.get(), where.value, O_PATH | O_DIRECTORY);
    if (fd.ok() && path != nullptr) *path = where.value;
    return fd;
}

VolumeResult<std::string> Volume::linuxNameIn(int directoryFd, std::string_view macName) {
    const auto name = linuxNameFor(macName);
    if (!name) return VolumeError::BadName;
    struct stat status {};
    if (::fstatat(directoryFd, name->c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 || !looksMangled(macName))
        return *name;
    // A mangled name comes back through the listing: the entry shown under it.
    std::optional<std::string> shown;
    forEachName(directoryFd, [&](const std::string& linuxName) {
        if (!shown && !linuxName.starts_with(kSidecarPrefix) && macNameFor(linuxName) == macName) shown = linuxName;
    });
    return shown.value_or(*name);
}

VolumeResult<Volume::Place> Volume::locate(std::uint32_t directoryId, std::string_view macName) {
    Place place;
    std::string folderPath;
    auto folder = openDirectory(directoryId, &folderPath);
    if (!folder.ok()) return folder.error;
    if (!macName.empty()) {
        auto name = linuxNameIn(folder.value.get(), macName);
        if (!name.ok()) return name.error;
        if (hidden(directoryId, name.value)) return VolumeError::NotFound;
        place.ownParent = std::move(folder.value);
        place.parentId = directoryId;
        place.name = name.value;
        place.path = joined(folderPath, name.value);
    } else if (directoryId == kRootId) {
        place.ownParent = std::move(folder.value);
        place.parentId = kRootParentId;
        place.name = ".";
    } else {
        const auto record = ids_->byId(directoryId);
        const auto slash = folderPath.rfind('/');
        auto parent = opener_.open(root_.get(), slash == std::string::npos ? "" : folderPath.substr(0, slash),
                                   O_PATH | O_DIRECTORY);
        if (!record || !parent.ok()) return VolumeError::NotFound;
        place.ownParent = std::move(parent.value);
        place.parentId = record->parent;
        place.name = record->name;
        place.path = folderPath;
    }
    place.parent = place.ownParent.get();
    if (::fstatat(place.parent, place.name.c_str(), &place.status, AT_SYMLINK_NOFOLLOW) != 0)
        return volumeErrorOf(errno);
    // A link is served as what it points at, when that is inside the volume.
    if (S_ISLNK(place.status.st_mode) && !statBeneath(place.path, place.status)) return VolumeError::Outside;
    if (!servable(place.status)) return VolumeError::NotFound;
    return place;
}

std::uint32_t Volume::idFor(const Place& place) {
    if (place.parentId == kRootParentId) return kRootId;
    const auto device = static_cast<std::uint64_t>(place.status.st_dev);
    const auto inode = static_cast<std::uint64_t>(place.status.st_ino);
    const auto known = ids_->byName(place.parentId, place.name);
    if (known && known->inode == inode && known->device == device) return known->id;
    auto metadata = metadata_.read(place.parent, place.name).value.value_or(MacMetadata{});
    // The ID the metadata remembers, given by this database: the file moved here behind the
    // server's back (or the database lost it), unless the original is still where it was and
    // this is a copy.
    const bool remembersOurs = metadata.id >= IdDatabase::kFirstFreeId && metadata.stamp == ids_->stamp();
    if (remembersOurs) {
        const auto remembered = ids_->byId(metadata.id);
        if (!remembered) {
            if (ids_->adopt({metadata.id, place.parentId, place.name, device, inode})) return metadata.id;
        } else if (!stillAt(*remembered) && ids_->move(metadata.id, place.parentId, place.name)) {
            ids_->setInode(metadata.id, device, inode);
            return metadata.id;
        }
    }
    // Another file under a known name that remembers no ID of ours (an editor saved it anew
    // behind the server's back): the name keeps its ID, so the Mac's aliases still find it.
    std::uint32_t id = 0;
    if (known && !remembersOurs && ids_->setInode(known->id, device, inode))
        id = known->id;
    else
        id = ids_->add(place.parentId, place.name, device, inode);
    if (id != 0 && !options_.readOnly) {
        metadata.id = id;
        metadata.device = device;
        metadata.inode = inode;
        metadata.stamp = ids_->stamp();
        if (metadata.created == 0) metadata.created = macTime(place.status.st_mtime);
        metadata.modified = macTime(place.status.st_mtime); // for other readers: ours is the file's own
        metadata_.write(place.parent, place.name, metadata); // the database alone still knows it
    }
    return id;
}

VolumeResult<EntryInfo> Volume::describe(const Place& place) {
    EntryInfo info;
    info.id = idFor(place);
    if (info.id == 0) return VolumeError::Io;
    info.parentId = place.parentId;
    info.isDirectory = S_ISDIR(place.status.st_mode);
    if (place.parentId != kRootParentId) info.macName = macNameFor(place.name);
    const auto metadata = metadata_.read(place.parent, place.name).value;
    info.modified = macTime(place.status.st_mtime);
    info.created = metadata && metadata->created != 0 ? metadata->created : info.modified;
    if (metadata) {
        info.backedUp = metadata->backedUp;
        info.finderInfo = metadata->finderInfo;
        info.attributes = metadata->attributes;
        info.comment = metadata->comment;
    }
    if (info.isDirectory) {
        const auto self = opener_.open(root_.get(), place.path, O_PATH | O_DIRECTORY);
        if (self.ok())
            forEachName(self.value.get(), [&](const std::string& name) {
                if (!hidden(info.id, name)) ++info.offspring;
            });
    } else {
        info.dataSize = static_cast<std::uint64_t>(place.status.st_size);
        info.resourceSize = metadata_.resourceForkSize(place.parent, place.name);
    }
    info.accessRights = accessRightsFor(place.status, Asker{::geteuid(), ::getegid(), groups_}, options_.readOnly);
    info.ownerId = place.status.st_uid;
    info.groupId = place.status.st_gid;
    return info;
}

VolumeResult<EntryInfo> Volume::parameters(std::uint32_t directoryId, std::string_view macName) {
    auto place = locate(directoryId, macName);
    if (!place.ok()) return place.error;
    return describe(place.value);
}

VolumeResult<std::vector<EntryInfo>> Volume::enumerate(std::uint32_t directoryId) {
    std::string folderPath;
    auto folder = openDirectory(directoryId, &folderPath);
    if (!folder.ok()) return folder.error;
    std::vector<EntryInfo> entries;
    const bool listed = forEachName(folder.value.get(), [&](const std::string& name) {
        if (hidden(directoryId, name)) return;
        Place place;
        place.parent = folder.value.get();
        place.parentId = directoryId;
        place.name = name;
        place.path = joined(folderPath, name);
        if (::fstatat(place.parent, name.c_str(), &place.status, AT_SYMLINK_NOFOLLOW) != 0) return;
        if (S_ISLNK(place.status.st_mode) && !statBeneath(place.path, place.status)) return; // leads out
        if (!servable(place.status)) return;
        if (auto info = describe(place); info.ok()) entries.push_back(std::move(info.value));
    });
    if (!listed) return VolumeError::AccessDenied;
    return entries;
}

VolumeResult<std::uint32_t> Volume::create(std::uint32_t directoryId, std::string_view macName, bool directory) {
    if (options_.readOnly) return VolumeError::ReadOnly;
    std::string folderPath;
    auto folder = openDirectory(directoryId, &folderPath);
    if (!folder.ok()) return folder.error;
    const auto name = linuxNameFor(macName);
    if (!name || hidden(directoryId, *name)) return VolumeError::BadName;
    if (directory) {
        if (::mkdirat(folder.value.get(), name->c_str(), 0777) != 0) return volumeErrorOf(errno);
    } else {
        const UniqueFd fd(
            ::openat(folder.value.get(), name->c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!fd.valid()) return volumeErrorOf(errno);
    }
    Place place;
    place.parent = folder.value.get();
    place.parentId = directoryId;
    place.name = *name;
    place.path = joined(folderPath, *name);
    if (::fstatat(place.parent, name->c_str(), &place.status, AT_SYMLINK_NOFOLLOW) != 0) return volumeErrorOf(errno);
    const auto id = idFor(place);
    if (id == 0) return VolumeError::Io;
    return id;
}

VolumeResult<std::uint32_t> Volume::createFile(std::uint32_t directoryId, std::string_view macName) {
    return create(directoryId, macName, false);
}

VolumeResult<std::uint32_t> Volume::createDirectory(std::uint32_t directoryId, std::string_view macName) {
    return create(directoryId, macName, true);
}

VolumeError Volume::removeDirectory(const Place& place) {
    const UniqueFd folder(::openat(place.parent, place.name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.valid()) return volumeErrorOf(errno);
    // Only AppleDouble files left behind by their data files may go with the folder.
    std::vector<std::string> leftovers;
    bool empty = true;
    forEachName(folder.get(), [&](const std::string& name) {
        if (name.starts_with(kSidecarPrefix))
            leftovers.push_back(name);
        else
            empty = false;
    });
    if (!empty) return VolumeError::NotEmpty;
    for (const auto& name : leftovers) ::unlinkat(folder.get(), name.c_str(), 0);
    if (::unlinkat(place.parent, place.name.c_str(), AT_REMOVEDIR) != 0) return volumeErrorOf(errno);
    return VolumeError::None;
}

VolumeError Volume::remove(std::uint32_t directoryId, std::string_view macName) {
    if (options_.readOnly) return VolumeError::ReadOnly;
    auto place = locate(directoryId, macName);
    if (!place.ok()) return place.error;
    if (place.value.parentId == kRootParentId) return VolumeError::AccessDenied;
    const auto known = ids_->byName(place.value.parentId, place.value.name);
    struct stat own {};
    ::fstatat(place.value.parent, place.value.name.c_str(), &own, AT_SYMLINK_NOFOLLOW);
    if (S_ISDIR(own.st_mode)) {
        if (const auto error = removeDirectory(place.value); error != VolumeError::None) return error;
    } else if (::unlinkat(place.value.parent, place.value.name.c_str(), 0) != 0) {
        return volumeErrorOf(errno);
    }
    metadata_.removeSidecar(place.value.parent, place.value.name);
    if (known) ids_->remove(known->id);
    return VolumeError::None;
}

VolumeError Volume::move(std::uint32_t directoryId, std::string_view macName, std::uint32_t newDirectoryId,
                         std::string_view newMacName) {
    if (options_.readOnly) return VolumeError::ReadOnly;
    auto from = locate(directoryId, macName);
    if (!from.ok()) return from.error;
    if (from.value.parentId == kRootParentId) return VolumeError::AccessDenied;
    auto to = openDirectory(newDirectoryId);
    if (!to.ok()) return to.error;
    const auto newName = linuxNameFor(newMacName);
    if (!newName || hidden(newDirectoryId, *newName)) return VolumeError::BadName;
    const auto id = idFor(from.value); // given before the move, so that it goes along
    // EINVAL: a folder into itself or a folder of its own.
    if (const int error = renameNoReplace(from.value.parent, from.value.name, to.value.get(), *newName); error != 0)
        return error == EINVAL ? VolumeError::CannotMove : volumeErrorOf(error);
    metadata_.renameSidecar(from.value.parent, from.value.name, to.value.get(), *newName);
    if (id != 0) ids_->move(id, newDirectoryId, *newName);
    return VolumeError::None;
}

VolumeResult<std::unique_ptr<Fork>> Volume::openFork(std::uint32_t directoryId, std::string_view macName, ForkKind kind,
                                                     bool writable) {
    if (writable && options_.readOnly) return VolumeError::ReadOnly;
    auto place = locate(directoryId, macName);
    if (!place.ok()) return place.error;
    if (!S_ISREG(place.value.status.st_mode)) return VolumeError::WrongKind;
    if (kind == ForkKind::Data) {
        auto fd = opener_.open(root_.get(), place.value.path, writable ? O_RDWR : O_RDONLY);
        if (!fd.ok()) return fd.error;
        return std::make_unique<Fork>(std::move(fd.value), writable);
    }
    auto fork = metadata_.openResourceFork(place.value.parent, place.value.name, writable);
    if (!fork.ok()) return fork.error;
    return std::make_unique<Fork>(std::move(fork.value), writable);
}

VolumeError Volume::setParameters(std::uint32_t directoryId, std::string_view macName,
                                  const ParameterChanges& changes) {
    if (options_.readOnly) return VolumeError::ReadOnly;
    auto place = locate(directoryId, macName);
    if (!place.ok()) return place.error;
    if (idFor(place.value) == 0) return VolumeError::Io;
    auto read = metadata_.read(place.value.parent, place.value.name);
    if (!read.ok()) return read.error;
    auto metadata = read.value.value_or(MacMetadata{});
    if (changes.finderInfo) metadata.finderInfo = *changes.finderInfo;
    if (changes.created) metadata.created = *changes.created;
    if (changes.backedUp) metadata.backedUp = *changes.backedUp;
    if (changes.attributes) metadata.attributes = *changes.attributes;
    if (changes.comment) metadata.comment = changes.comment->substr(0, MacMetadata::kMaxCommentBytes);
    if (const auto error = metadata_.write(place.value.parent, place.value.name, metadata); error != VolumeError::None)
        return error;
    if (changes.modified) {
        // The modification date is the Linux file's own.
        const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<std::time_t>(*changes.modified) + kMacEpochInUnix, 0}};
        if (::utimensat(place.value.parent, place.value.name.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
            return volumeErrorOf(errno);
    }
    return VolumeError::None;
}

VolumeResult<std::uint32_t> Volume::idOf(std::string_view relativePath) {
    std::uint32_t id = kRootId;
    std::string path(relativePath);
    std::size_t start = 0;
    while (start < path.size()) {
        const auto slash = path.find('/', start);
        const auto name = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        start = slash == std::string::npos ? path.size() : slash + 1;
        if (name.empty() || name == "." || name == ".." || hidden(id, name)) return VolumeError::Outside;
        std::string folderPath;
        auto folder = openDirectory(id, &folderPath);
        if (!folder.ok()) return folder.error;
        Place place;
        place.parent = folder.value.get();
        place.parentId = id;
        place.name = name;
        place.path = joined(folderPath, name);
        if (::fstatat(place.parent, name.c_str(), &place.status, AT_SYMLINK_NOFOLLOW) != 0) return volumeErrorOf(errno);
        if (S_ISLNK(place.status.st_mode) && !statBeneath(place.path, place.status)) return VolumeError::Outside;
        if (!servable(place.status)) return VolumeError::NotFound;
        id = idFor(place);
        if (id == 0) return VolumeError::Io;
    }
    return id;
}

VolumeResult<std::uint32_t> Volume::copyFile(std::uint32_t sourceDirectoryId, std::string_view sourceName,
                                             std::uint32_t destinationDirectoryId, std::string_view newName) {
    if (options_.readOnly) return VolumeError::ReadOnly;
    auto source = locate(sourceDirectoryId, sourceName);
    if (!source.ok()) return source.error;
    if (!S_ISREG(source.value.status.st_mode)) return VolumeError::WrongKind;
    const auto read = metadata_.read(source.value.parent, source.value.name);
    // A link inside the volume is served as its file, which has no record of its own here.
    if (!read.ok() && read.error != VolumeError::Outside) return read.error;
    const auto metadata = read.value.value_or(MacMetadata{});
    if ((metadata.attributes & kCopyProtect) != 0) return VolumeError::AccessDenied;
    std::string folderPath;
    auto folder = openDirectory(destinationDirectoryId, &folderPath);
    if (!folder.ok()) return folder.error;
    const int folderFd = folder.value.get();
    const auto name = newName.empty() ? std::optional(source.value.name) : linuxNameFor(newName);
    if (!name || hidden(destinationDirectoryId, *name)) return VolumeError::BadName;
    if (exists(folderFd, *name)) return VolumeError::Exists; // before copying megabytes for nothing
    const auto temporary = temporaryName();
    auto error = copyInto(source.value, metadata, folderFd, temporary);
    const bool hasSidecar = exists(folderFd, MetadataStore::sidecarName(temporary));
    if (error == VolumeError::None) error = volumeErrorOf(renameNoReplace(folderFd, temporary, folderFd, *name));
    if (error != VolumeError::None) {
        ::unlinkat(folderFd, temporary.c_str(), 0);
        metadata_.removeSidecar(folderFd, temporary);
        return error;
    }
    // The data file holds the name now; its AppleDouble file follows (a stale one of a file
    // long gone must not lend the copy its resource fork).
    error = hasSidecar ? metadata_.renameSidecar(folderFd, temporary, folderFd, *name)
                       : metadata_.removeSidecar(folderFd, *name);
    if (error != VolumeError::None) {
        ::unlinkat(folderFd, name->c_str(), 0);
        metadata_.removeSidecar(folderFd, temporary);
        return error;
    }
    Place copy;
    copy.parent = folderFd;
    copy.parentId = destinationDirectoryId;
    copy.name = *name;
    copy.path = joined(folderPath, *name);
    if (::fstatat(folderFd, name->c_str(), &copy.status, AT_SYMLINK_NOFOLLOW) != 0) return volumeErrorOf(errno);
    const auto id = idFor(copy);
    if (id == 0) return VolumeError::Io;
    return id;
}

VolumeError Volume::copyInto(const Place& source, const MacMetadata& metadata, int folderFd,
                             const std::string& temporary) {
    auto input = opener_.open(root_.get(), source.path, O_RDONLY);
    if (!input.ok()) return input.error;
    UniqueFd output(::openat(folderFd, temporary.c_str(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!output.valid()) return volumeErrorOf(errno);
    Fork data(std::move(output), true);
    if (const auto error = copyFork(Fork(std::move(input.value), false), data); error != VolumeError::None)
        return error;
    // The copy is a file of its own: the ID the record remembers is the original's (the copy
    // gets a new one once it has its name); it was never backed up.
    auto own = metadata;
    own.attributes &= static_cast<std::uint16_t>(~(kDataAlreadyOpen | kResourceAlreadyOpen));
    own.id = 0;
    own.device = 0;
    own.inode = 0;
    own.stamp = {};
    own.backedUp = kNeverBackedUp;
    if (own.created == 0) own.created = macTime(source.status.st_mtime);
    if (const auto error = metadata_.write(folderFd, temporary, own); error != VolumeError::None) return error;
    auto resource = metadata_.openResourceFork(source.parent, source.name, false);
    if (!resource.ok()) return resource.error;
    const Fork resourceIn(std::move(resource.value), false);
    if (resourceIn.size() > 0) {
        auto place = metadata_.openResourceFork(folderFd, temporary, true);
        if (!place.ok()) return place.error;
        Fork resourceOut(std::move(place.value), true);
        if (const auto error = copyFork(resourceIn, resourceOut); error != VolumeError::None) return error;
    }
    const timespec times[2] = {{0, UTIME_OMIT}, source.status.st_mtim};
    if (::utimensat(folderFd, temporary.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) return volumeErrorOf(errno);
    return VolumeError::None;
}

VolumeError Volume::exchangeFiles(std::uint32_t directoryIdA, std::string_view nameA, std::uint32_t directoryIdB,
                                  std::string_view nameB) {
    if (options_.readOnly) return VolumeError::ReadOnly;
    auto a = locate(directoryIdA, nameA);
    if (!a.ok()) return a.error;
    auto b = locate(directoryIdB, nameB);
    if (!b.ok()) return b.error;
    if (!S_ISREG(a.value.status.st_mode) || !S_ISREG(b.value.status.st_mode)) return VolumeError::WrongKind;
    if (a.value.status.st_ino == b.value.status.st_ino && a.value.status.st_dev == b.value.status.st_dev)
        return VolumeError::SameObject;
    const auto idA = idFor(a.value);
    const auto idB = idFor(b.value);
    if (idA == 0 || idB == 0) return VolumeError::Io;
    if (const int error = exchangeNames(a.value.parent, a.value.name, b.value.parent, b.value.name); error != 0)
        return volumeErrorOf(error);
    // The resource forks (and, in "._" storage, the metadata) go with the data; the metadata
    // in extended attributes goes with its inode by itself.
    if (const int error = exchangeSidecars(a.value.parent, a.value.name, b.value.parent, b.value.name); error != 0) {
        exchangeNames(a.value.parent, a.value.name, b.value.parent, b.value.name);
        return volumeErrorOf(error);
    }
    const auto keptA = keepId(a.value, idA);
    const auto keptB = keepId(b.value, idB);
    return keptA != VolumeError::None ? keptA : keptB;
}

// The name keeps its ID for the inode it holds now, in the database and in the record.
VolumeError Volume::keepId(const Place& place, std::uint32_t id) {
    struct stat status {};
    if (!statBeneath(place.path, status)) return VolumeError::NotFound; // as locate() saw it, through a link
    const auto device = static_cast<std::uint64_t>(status.st_dev);
    const auto inode = static_cast<std::uint64_t>(status.st_ino);
    if (!ids_->setInode(id, device, inode)) return VolumeError::Io;
    auto read = metadata_.read(place.parent, place.name);
    if (!read.ok()) return read.error;
    auto metadata = read.value.value_or(MacMetadata{});
    metadata.id = id;
    metadata.device = device;
    metadata.inode = inode;
    metadata.stamp = ids_->stamp();
    return metadata_.write(place.parent, place.name, metadata);
}

VolumeResult<Volume::Place> Volume::placeOf(std::uint32_t id) {
    if (id < IdDatabase::kFirstFreeId) return VolumeError::BadId; // the root, and AFP's reserved IDs
    if (!pathOf(id).ok()) return VolumeError::IdNotFound; // also finds it again after a rename
    const auto record = ids_->byId(id);
    if (!record) return VolumeError::IdNotFound;
    Place place;
    std::string folderPath;
    auto folder = openDirectory(record->parent, &folderPath);
    if (!folder.ok()) return VolumeError::IdNotFound;
    place.ownParent = std::move(folder.value);
    place.parent = place.ownParent.get();
    place.parentId = record->parent;
    place.name = record->name;
    place.path = joined(folderPath, record->name);
    if (::fstatat(place.parent, place.name.c_str(), &place.status, AT_SYMLINK_NOFOLLOW) != 0)
        return VolumeError::IdNotFound;
    if (S_ISLNK(place.status.st_mode) && !statBeneath(place.path, place.status)) return VolumeError::Outside;
    if (!servable(place.status)) return VolumeError::IdNotFound;
    return place;
}

VolumeResult<std::uint32_t> Volume::createFileId(std::uint32_t directoryId, std::string_view macName) {
    if (options_.readOnly) return VolumeError::ReadOnly;
    auto place = locate(directoryId, macName);
    if (!place.ok()) return place.error;
    if (!S_ISREG(place.value.status.st_mode)) return VolumeError::WrongKind;
    const auto id = idFor(place.value);
    if (id == 0) return VolumeError::Io;
    if (ids_->isFileId(id)) {
        VolumeResult<std::uint32_t> existing(id);
        existing.error = VolumeError::IdExists;
        return existing;
    }
    if (!ids_->setFileId(id, true)) return VolumeError::Io;
    return id;
}

VolumeResult<EntryInfo> Volume::resolveFileId(std::uint32_t fileId) {
    auto place = placeOf(fileId);
    if (!place.ok()) return place.error;
    if (!S_ISREG(place.value.status.st_mode)) return VolumeError::BadId;
    if (!ids_->isFileId(fileId)) return VolumeError::IdNotFound;
    return describe(place.value);
}

VolumeError Volume::deleteFileId(std::uint32_t fileId) {
    if (options_.readOnly) return VolumeError::ReadOnly;
    auto place = placeOf(fileId);
    if (!place.ok()) {
        // The file went behind the server's back: its file ID goes too.
        if (place.error == VolumeError::IdNotFound && ids_->isFileId(fileId)) {
            ids_->setFileId(fileId, false);
            return VolumeError::NotFound;
        }
        return place.error;
    }
    if (!S_ISREG(place.value.status.st_mode)) return VolumeError::WrongKind;
    if (!ids_->isFileId(fileId)) return VolumeError::IdNotFound;
    return ids_->setFileId(fileId, false) ? VolumeError::None : VolumeError::Io;
}

VolumeResult<Volume::SpaceInfo> Volume::space() {
    struct statvfs status {};
    if (::fstatvfs(root_.get(), &status) != 0) return volumeErrorOf(errno);
    SpaceInfo info;
    info.bytesFree = static_cast<std::uint64_t>(status.f_bavail) * status.f_frsize;
    info.bytesTotal = static_cast<std::uint64_t>(status.f_blocks) * status.f_frsize;
    if (status.f_bsize > 0 && status.f_bsize <= UINT32_MAX) info.blockSize = static_cast<std::uint32_t>(status.f_bsize);
    return info;
}

} // namespace appletalk::afp
