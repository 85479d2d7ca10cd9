// SPDX-License-Identifier: MIT
#include "appletalk/afp/volume/DesktopDatabase.h"

#include "appletalk/afp/volume/SqliteStatement.h"

#include <sqlite3.h>

#include <algorithm>
#include <system_error>

namespace appletalk::afp {
namespace {

// Marks the file as ours ("VDsk"), so another program's SQLite file is never taken for one.
constexpr std::int64_t kApplicationId = 0x5644736B;
constexpr std::int64_t kSchemaVersion = 1;
constexpr std::size_t kLargestIconBytes = 1024; // 'icl8', the largest AFP names

// The rollback journal, not WAL: one server writes, seldom, and WAL's "-wal" and "-shm" files
// would sit beside the database for good and could not be made in a state directory that is
// only readable.
constexpr const char* kSchema =
    "BEGIN;"
    "CREATE TABLE icons (position INTEGER PRIMARY KEY, creator INTEGER NOT NULL, type INTEGER NOT NULL,"
    " icon_type INTEGER NOT NULL, tag INTEGER NOT NULL, bitmap BLOB NOT NULL, UNIQUE (creator, type, icon_type));"
    "CREATE TABLE applications (position INTEGER PRIMARY KEY, creator INTEGER NOT NULL,"
    " file_id INTEGER NOT NULL, tag INTEGER NOT NULL, UNIQUE (creator, file_id));"
    "PRAGMA application_id = 1447326571;"
    "PRAGMA user_version = 1;"
    "COMMIT;";
static_assert(kApplicationId == 1447326571);

std::optional<std::int64_t> pragma(sqlite3* db, const char* sql) {
    SqliteStatement statement(db, sql);
    if (statement.step() != SQLITE_ROW) return {};
    return statement.integer(0);
}

} // namespace

std::size_t DesktopDatabase::maxIconBytes(std::uint8_t iconType) {
    switch (iconType) {
    case 1: return 256; // 'ICN#': 32 by 32, one bit, and its mask
    case 2: return 512; // 'icl4'
    case 3: return 1024; // 'icl8'
    case 4: return 64; // 'ics#'
    case 5: return 128; // 'ics4'
    case 6: return 256; // 'ics8'
    default: return kLargestIconBytes;
    }
}

std::unique_ptr<DesktopDatabase> DesktopDatabase::open(const std::filesystem::path& file, bool readOnly,
                                                       std::string& problem) {
    std::error_code ignored;
    // Read-only and never made: an empty database in memory answers, nothing is made on disk.
    const bool absent = readOnly && !std::filesystem::exists(std::filesystem::symlink_status(file, ignored));
    sqlite3* db = nullptr;
    const int opened =
        absent ? sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE, nullptr)
               : sqlite3_open_v2(file.c_str(), &db,
                                 (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
                                     SQLITE_OPEN_NOFOLLOW,
                                 nullptr);
    if (opened != SQLITE_OK) {
        problem = file.string() + ": " + (db != nullptr ? sqlite3_errmsg(db) : "cannot open the desktop database");
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<DesktopDatabase> database(new DesktopDatabase(db, readOnly));
    sqlite3_busy_timeout(db, 5000); // another process on the same file waits its turn
    if (!database->prepare(problem)) {
        problem = file.string() + ": " + problem;
        return nullptr;
    }
    return database;
}

DesktopDatabase::~DesktopDatabase() { sqlite3_close(db_); }

bool DesktopDatabase::prepare(std::string& problem) {
    const auto application = pragma(db_, "PRAGMA application_id");
    const auto version = pragma(db_, "PRAGMA user_version");
    const auto tables = pragma(db_, "SELECT count(*) FROM sqlite_master");
    if (!application || !version || !tables) {
        problem = std::string("not a desktop database: ") + sqlite3_errmsg(db_);
        return false;
    }
    if (*application == kApplicationId) {
        if (*version == kSchemaVersion) return true;
        problem = "a desktop database of a later version (" + std::to_string(*version) + ")";
        return false;
    }
    if (*application != 0 || *tables != 0) {
        problem = "not a desktop database: another program's SQLite file";
        return false;
    }
    // A new, empty file. Read-only, it stays empty: every question finds nothing.
    if (readOnly_) return true;
    if (sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK) {
        problem = sqlite3_errmsg(db_);
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    return true;
}

VolumeError DesktopDatabase::addIcon(const IconKey& key, std::uint32_t tag, std::span<const std::uint8_t> bitmap) {
    if (readOnly_) return VolumeError::ReadOnly;
    if (bitmap.size() > maxIconBytes(key.iconType)) return VolumeError::TooLarge;
    SqliteStatement upsert(db_,
                           "INSERT INTO icons (creator, type, icon_type, tag, bitmap) VALUES (?, ?, ?, ?, ?) "
                           "ON CONFLICT (creator, type, icon_type) DO UPDATE SET tag = excluded.tag, "
                           "bitmap = excluded.bitmap");
    upsert.bind(1, key.creator).bind(2, key.type).bind(3, key.iconType).bind(4, tag).bind(5, bitmap);
    return upsert.step() == SQLITE_DONE ? VolumeError::None : VolumeError::Io;
}

std::optional<std::vector<std::uint8_t>> DesktopDatabase::icon(const IconKey& key) const {
    SqliteStatement select(db_, "SELECT bitmap FROM icons WHERE creator = ? AND type = ? AND icon_type = ?");
    if (select.bind(1, key.creator).bind(2, key.type).bind(3, key.iconType).step() != SQLITE_ROW) return {};
    const auto bitmap = select.blobBytes(0);
    // Only a file changed behind the server's back holds more: it is not passed on.
    if (bitmap.size() > maxIconBytes(key.iconType)) return {};
    return std::vector<std::uint8_t>(bitmap.begin(), bitmap.end());
}

std::optional<DesktopDatabase::IconInfo> DesktopDatabase::iconInfo(std::uint32_t creator, std::uint16_t index) const {
    if (index == 0) return {};
    SqliteStatement select(db_,
                           "SELECT tag, type, icon_type, length(bitmap) FROM icons WHERE creator = ? "
                           "ORDER BY position LIMIT 1 OFFSET ?");
    if (select.bind(1, creator).bind(2, index - 1).step() != SQLITE_ROW) return {};
    IconInfo info;
    info.tag = static_cast<std::uint32_t>(select.integer(0));
    info.type = static_cast<std::uint32_t>(select.integer(1));
    info.iconType = static_cast<std::uint8_t>(select.integer(2));
    info.size = static_cast<std::uint16_t>(std::clamp<std::int64_t>(select.integer(3), 0, UINT16_MAX));
    return info;
}

VolumeError DesktopDatabase::addApplication(std::uint32_t creator, std::uint32_t fileId, std::uint32_t applTag) {
    if (readOnly_) return VolumeError::ReadOnly;
    SqliteStatement upsert(db_,
                           "INSERT INTO applications (creator, file_id, tag) VALUES (?, ?, ?) "
                           "ON CONFLICT (creator, file_id) DO UPDATE SET tag = excluded.tag");
    upsert.bind(1, creator).bind(2, fileId).bind(3, applTag);
    return upsert.step() == SQLITE_DONE ? VolumeError::None : VolumeError::Io;
}

VolumeError DesktopDatabase::removeApplication(std::uint32_t creator, std::uint32_t fileId) {
    if (readOnly_) return VolumeError::ReadOnly;
    SqliteStatement erase(db_, "DELETE FROM applications WHERE creator = ? AND file_id = ?");
    if (erase.bind(1, creator).bind(2, fileId).step() != SQLITE_DONE) return VolumeError::Io;
    return sqlite3_changes(db_) > 0 ? VolumeError::None : VolumeError::NotFound;
}

std::optional<DesktopDatabase::Application> DesktopDatabase::application(std::uint32_t creator,
                                                                         std::uint16_t index) const {
    if (index == 0) return {};
    SqliteStatement select(db_,
                           "SELECT file_id, tag FROM applications WHERE creator = ? "
                           "ORDER BY position LIMIT 1 OFFSET ?");
    if (select.bind(1, creator).bind(2, index - 1).step() != SQLITE_ROW) return {};
    return Application{static_cast<std::uint32_t>(select.integer(0)), static_cast<std::uint32_t>(select.integer(1))};
}

} // namespace appletalk::afp
