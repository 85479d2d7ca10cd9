// SPDX-License-Identifier: MIT
// A volume's desktop database as AFP's desktop calls see it: the icons the Finder stores by
// creator, file type and icon type, and the applications (APPL mappings) by creator. One
// SQLite file per volume, at a path the server gives (beside the ID database). Applications
// are kept by their file ID, so an application moved or renamed on the volume keeps its
// mapping. Lists count from 1 in the order their items were first added. Comments are not
// here: they are the entries' own metadata (EntryInfo::comment).
#pragma once

#include "appletalk/afp/volume/VolumeError.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct sqlite3;

namespace appletalk::afp {

class DesktopDatabase {
public:
    // readOnly: the file is only read (a missing one reads as empty) and every change is
    // refused. A read-only volume's database is still opened for writing when its state
    // directory allows it: a Mac keeps icons in the desktop of a locked disk too.
    // Nothing and the reason when the file cannot be opened, is not a database, or is one of
    // another kind or a later version.
    static std::unique_ptr<DesktopDatabase> open(const std::filesystem::path& file, bool readOnly,
                                                 std::string& problem);
    ~DesktopDatabase();
    DesktopDatabase(const DesktopDatabase&) = delete;
    DesktopDatabase& operator=(const DesktopDatabase&) = delete;

    struct IconKey {
        std::uint32_t creator = 0, type = 0;
        std::uint8_t iconType = 0;
    };
    struct IconInfo {
        std::uint32_t tag = 0, type = 0;
        std::uint8_t iconType = 0;
        std::uint16_t size = 0;
    };
    // The largest bitmap of an icon type: that of its resource ('ICN#' 256 bytes, 'icl4'
    // 512, 'icl8' 1024, 'ics#' 64, 'ics4' 128, 'ics8' 256), 1024 for a type AFP does not name.
    static std::size_t maxIconBytes(std::uint8_t iconType);

    // Adds or replaces (in its place in the list); TooLarge past maxIconBytes.
    VolumeError addIcon(const IconKey& key, std::uint32_t tag, std::span<const std::uint8_t> bitmap);
    std::optional<std::vector<std::uint8_t>> icon(const IconKey& key) const;
    std::optional<IconInfo> iconInfo(std::uint32_t creator, std::uint16_t index) const; // 1-based

    // APPL mappings: the application's file ID (from Volume) and its tag, by creator.
    VolumeError addApplication(std::uint32_t creator, std::uint32_t fileId, std::uint32_t applTag);
    VolumeError removeApplication(std::uint32_t creator, std::uint32_t fileId); // NotFound when none
    struct Application {
        std::uint32_t fileId = 0, applTag = 0;
    };
    std::optional<Application> application(std::uint32_t creator, std::uint16_t index) const; // 1-based

private:
    DesktopDatabase(sqlite3* db, bool readOnly) : db_(db), readOnly_(readOnly) {}
    bool prepare(std::string& problem);

    sqlite3* db_;
    bool readOnly_;
};

} // namespace appletalk::afp
