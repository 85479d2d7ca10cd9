// SPDX-License-Identifier: MIT
// One shared folder as the AFP server sees it: folders and files by ID and Mac name, their
// parameters, their forks. Names are mapped (MacName.h), metadata kept as the Linux layout
// keeps it (MetadataStore.h), IDs in the volume's database (IdDatabase.h), and every path is
// opened beneath the folder (BeneathOpener.h). Files are read and written as the server's own
// user. Not thread-safe: a volume belongs to the thread that serves it.
#pragma once

#include "appletalk/afp/volume/AppleDouble.h"
#include "appletalk/afp/volume/BeneathOpener.h"
#include "appletalk/afp/volume/Fork.h"
#include "appletalk/afp/volume/IdDatabase.h"
#include "appletalk/afp/volume/MetadataStore.h"
#include "appletalk/afp/volume/UniqueFd.h"
#include "appletalk/afp/volume/VolumeError.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

namespace appletalk::afp {

struct VolumeOptions {
    std::filesystem::path root;
    // The ID database; outside the folder as a rule (a read-only volume still gives IDs). In
    // the root folder it is hidden from the clients.
    std::filesystem::path database;
    bool readOnly = false;
    // Sidecar keeps the metadata in "._" files even where extended attributes work.
    MetadataStore::Storage storage = MetadataStore::Storage::ExtendedAttributes;
    BeneathOpener::Method resolution = BeneathOpener::Method::Kernel;
};

// A file or folder as the AFP server reports it. Dates count seconds from 2000-01-01 UTC.
struct EntryInfo {
    std::string macName; // Mac OS Roman
    std::uint32_t id = 0;
    std::uint32_t parentId = 0;
    bool isDirectory = false;
    std::int32_t created = 0;
    std::int32_t modified = 0;
    std::int32_t backedUp = kNeverBackedUp;
    std::uint64_t dataSize = 0;
    std::uint64_t resourceSize = 0;
    std::uint32_t offspring = 0; // a folder's entries
    std::array<std::uint8_t, 32> finderInfo{};
    std::uint16_t attributes = 0;
    std::string comment;
    std::uint32_t accessRights = 0; // AccessRights.h
    std::uint32_t ownerId = 0;
    std::uint32_t groupId = 0;
};

// What a client may change; the fields left empty stay as they are.
struct ParameterChanges {
    std::optional<std::array<std::uint8_t, 32>> finderInfo;
    std::optional<std::int32_t> created;
    std::optional<std::int32_t> modified;
    std::optional<std::int32_t> backedUp;
    std::optional<std::uint16_t> attributes;
    std::optional<std::string> comment;
};

class Volume {
public:
    static constexpr std::uint32_t kRootId = IdDatabase::kRootId;
    static constexpr std::uint32_t kRootParentId = IdDatabase::kRootParentId;

    // Opens the folder and its database; nothing and the reason when either fails.
    static std::unique_ptr<Volume> open(const VolumeOptions& options, std::string& problem);

    bool readOnly() const { return options_.readOnly; }
    MetadataStore::Storage storage() const { return metadata_.storage(); }

    // In the folder directoryId: an entry by its Mac name ("" for the folder itself).
    VolumeResult<EntryInfo> parameters(std::uint32_t directoryId, std::string_view macName);
    VolumeResult<std::vector<EntryInfo>> enumerate(std::uint32_t directoryId);
    VolumeError setParameters(std::uint32_t directoryId, std::string_view macName, const ParameterChanges& changes);

    VolumeResult<std::uint32_t> createFile(std::uint32_t directoryId, std::string_view macName);
    VolumeResult<std::uint32_t> createDirectory(std::uint32_t directoryId, std::string_view macName);
    VolumeError remove(std::uint32_t directoryId, std::string_view macName);
    // Renames, moves, or both; the ID goes with the entry.
    VolumeError move(std::uint32_t directoryId, std::string_view macName, std::uint32_t newDirectoryId,
                     std::string_view newMacName);
    VolumeResult<std::unique_ptr<Fork>> openFork(std::uint32_t directoryId, std::string_view macName, ForkKind kind,
                                                 bool writable);

    // AFP's CopyFile: both forks, Finder info, comment, dates and attributes go to a new file
    // with an ID of its own; an empty newName keeps the source's name. The copy is written
    // under a hidden name in the destination folder and renamed into place when whole.
    VolumeResult<std::uint32_t> copyFile(std::uint32_t sourceDirectoryId, std::string_view sourceName,
                                         std::uint32_t destinationDirectoryId, std::string_view newName);
    // AFP's ExchangeFiles: both forks and the metadata change places, the names stay, and each
    // ID stays with its name (the call exists so that a safe save keeps the document's file ID).
    VolumeError exchangeFiles(std::uint32_t directoryIdA, std::string_view nameA, std::uint32_t directoryIdB,
                              std::string_view nameB);
    // File IDs as AFP's CreateID, ResolveID and DeleteID see them. Every entry has an ID from
    // first sight; a file ID is one a client asked to keep. CreateID of a file that has one
    // answers IdExists with that ID in value; a folder is WrongKind there and BadId to
    // ResolveID; an ID never created, deleted, or whose file is gone is IdNotFound.
    VolumeResult<std::uint32_t> createFileId(std::uint32_t directoryId, std::string_view macName);
    VolumeResult<EntryInfo> resolveFileId(std::uint32_t fileId);
    VolumeError deleteFileId(std::uint32_t fileId);

    // Space on the volume's file system, for GetVolParms.
    struct SpaceInfo {
        std::uint64_t bytesFree = 0, bytesTotal = 0;
        std::uint32_t blockSize = 4096;
    };
    VolumeResult<SpaceInfo> space();

    // Where an ID is, as Linux names from the root joined by '/' ("" for the root).
    VolumeResult<std::string> pathOf(std::uint32_t id);
    // The ID of the entry at such a path, given on first sight.
    VolumeResult<std::uint32_t> idOf(std::string_view relativePath);

private:
    // An entry found: the folder that holds it, open, and its Linux name there.
    struct Place {
        UniqueFd ownParent; // when the place opened its folder itself
        int parent = -1;
        std::uint32_t parentId = 0;
        std::string name;
        std::string path; // from the root
        struct stat status {};
    };

    Volume(VolumeOptions options, UniqueFd root, std::unique_ptr<IdDatabase> ids);
    VolumeResult<UniqueFd> openDirectory(std::uint32_t id, std::string* path = nullptr);
    VolumeResult<Place> locate(std::uint32_t directoryId, std::string_view macName);
    VolumeResult<std::string> linuxNameIn(int directoryFd, std::string_view macName);
    std::uint32_t idFor(const Place& place);
    std::optional<IdDatabase::Record> refind(const IdDatabase::Record& lost);
    std::optional<std::string> recordedPath(const IdDatabase::Record& record);
    bool stillAt(const IdDatabase::Record& record);
    VolumeResult<EntryInfo> describe(const Place& place);
    bool hidden(std::uint32_t directoryId, const std::string& name) const;
    bool statBeneath(const std::string& path, struct stat& status);
    VolumeResult<std::uint32_t> create(std::uint32_t directoryId, std::string_view macName, bool directory);
    VolumeError removeDirectory(const Place& place);
    VolumeResult<Place> placeOf(std::uint32_t id);
    VolumeError copyInto(const Place& source, const MacMetadata& metadata, int folderFd, const std::string& temporary);
    VolumeError keepId(const Place& place, std::uint32_t id);

    VolumeOptions options_;
    UniqueFd root_;
    std::unique_ptr<IdDatabase> ids_;
    BeneathOpener opener_;
    MetadataStore metadata_;
    std::vector<gid_t> groups_;
    std::string databaseName_; // when the database is in the root folder, hidden there
};

} // namespace appletalk::afp
