// SPDX-License-Identifier: MIT
#include "appletalk/afp/volume/IdDatabase.h"

#include "appletalk/afp/volume/SqliteStatement.h"

#include <sqlite3.h>

#include <random>

namespace appletalk::afp {
namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS entries ("
    " id INTEGER PRIMARY KEY, parent INTEGER NOT NULL, name BLOB NOT NULL,"
    " device INTEGER NOT NULL, inode INTEGER NOT NULL, UNIQUE (parent, name));"
    "CREATE TABLE IF NOT EXISTS volume (key TEXT PRIMARY KEY, value BLOB NOT NULL);"
    // The IDs a client made file IDs (AFP's CreateID); they go when their entry goes.
    "CREATE TABLE IF NOT EXISTS file_ids (id INTEGER PRIMARY KEY);"
    "CREATE TRIGGER IF NOT EXISTS file_id_goes AFTER DELETE ON entries"
    " BEGIN DELETE FROM file_ids WHERE id = old.id; END;";

std::optional<IdDatabase::Record> oneRecord(SqliteStatement& statement) {
    if (statement.step() != SQLITE_ROW) return {};
    return IdDatabase::Record{static_cast<std::uint32_t>(statement.integer(0)),
                              static_cast<std::uint32_t>(statement.integer(1)), statement.blob(2),
                              static_cast<std::uint64_t>(statement.integer(3)),
                              static_cast<std::uint64_t>(statement.integer(4))};
}

} // namespace

std::unique_ptr<IdDatabase> IdDatabase::open(const std::filesystem::path& file, std::string& problem) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW,
                        nullptr) != SQLITE_OK) {
        problem = file.string() + ": " + (db != nullptr ? sqlite3_errmsg(db) : "cannot open the ID database");
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<IdDatabase> database(new IdDatabase(db));
    // Another process serving the same folder waits its turn rather than failing at once.
    sqlite3_busy_timeout(db, 5000);
    if (!database->execute(kSchema) || !database->prepareStamp()) {
        problem = file.string() + ": " + sqlite3_errmsg(db);
        return nullptr;
    }
    return database;
}

IdDatabase::~IdDatabase() { sqlite3_close(db_); }

bool IdDatabase::execute(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

bool IdDatabase::prepareStamp() {
    SqliteStatement read(db_, "SELECT value FROM volume WHERE key = 'stamp'");
    if (read.step() == SQLITE_ROW) {
        const auto value = read.blob(0);
        if (value.size() != stamp_.size()) return false;
        std::copy(value.begin(), value.end(), stamp_.begin());
        return true;
    }
    std::random_device random;
    for (auto& byte : stamp_) byte = static_cast<std::uint8_t>(random());
    SqliteStatement write(db_, "INSERT INTO volume (key, value) VALUES ('stamp', ?)");
    return write.bind(1, std::string(stamp_.begin(), stamp_.end())).step() == SQLITE_DONE;
}

std::optional<IdDatabase::Record> IdDatabase::byId(std::uint32_t id) {
    SqliteStatement select(db_, "SELECT id, parent, name, device, inode FROM entries WHERE id = ?");
    return oneRecord(select.bind(1, id));
}

std::optional<IdDatabase::Record> IdDatabase::byName(std::uint32_t parent, const std::string& name) {
    SqliteStatement select(db_, "SELECT id, parent, name, device, inode FROM entries WHERE parent = ? AND name = ?");
    return oneRecord(select.bind(1, parent).bind(2, name));
}

std::uint32_t IdDatabase::add(std::uint32_t parent, const std::string& name, std::uint64_t device,
                              std::uint64_t inode) {
    // The next ID is one past the highest ever given (kept apart, so a deleted ID is not given
    // again); the volume's root is the one fixed ID.
    std::uint32_t id = kRootId;
    if (parent != kRootParentId) {
        SqliteStatement next(db_,
                             "INSERT INTO volume (key, value) VALUES ('next', ?) "
                             "ON CONFLICT (key) DO UPDATE SET value = value + 1 RETURNING value");
        if (next.bind(1, kFirstFreeId).step() != SQLITE_ROW) return 0;
        const auto value = next.integer(0);
        if (value <= 0 || value > UINT32_MAX) return 0;
        id = static_cast<std::uint32_t>(value);
    }
    forgetName(parent, name);
    SqliteStatement insert(db_,
                           "INSERT OR REPLACE INTO entries (id, parent, name, device, inode) VALUES (?, ?, ?, ?, ?)");
    insert.bind(1, id).bind(2, parent).bind(3, name).bind(4, static_cast<std::int64_t>(device));
    return insert.bind(5, static_cast<std::int64_t>(inode)).step() == SQLITE_DONE ? id : 0;
}

bool IdDatabase::adopt(const Record& record) {
    if (record.id < kFirstFreeId) return false;
    forgetName(record.parent, record.name);
    SqliteStatement insert(db_, "INSERT INTO entries (id, parent, name, device, inode) VALUES (?, ?, ?, ?, ?)");
    insert.bind(1, record.id).bind(2, record.parent).bind(3, record.name);
    insert.bind(4, static_cast<std::int64_t>(record.device)).bind(5, static_cast<std::int64_t>(record.inode));
    if (insert.step() != SQLITE_DONE) return false;
    // The counter passes the adopted ID, so it is not given again.
    SqliteStatement next(db_,
                         "INSERT INTO volume (key, value) VALUES ('next', ?1) "
                         "ON CONFLICT (key) DO UPDATE SET value = max(value, ?1)");
    return next.bind(1, record.id).step() == SQLITE_DONE;
}

bool IdDatabase::move(std::uint32_t id, std::uint32_t parent, const std::string& name) {
    SqliteStatement update(db_, "UPDATE entries SET parent = ?, name = ? WHERE id = ?");
    const auto stale = byName(parent, name);
    if (stale && stale->id != id) remove(stale->id);
    return update.bind(1, parent).bind(2, name).bind(3, id).step() == SQLITE_DONE;
}

bool IdDatabase::setInode(std::uint32_t id, std::uint64_t device, std::uint64_t inode) {
    SqliteStatement update(db_, "UPDATE entries SET device = ?, inode = ? WHERE id = ?");
    update.bind(1, static_cast<std::int64_t>(device)).bind(2, static_cast<std::int64_t>(inode));
    return update.bind(3, id).step() == SQLITE_DONE;
}

bool IdDatabase::remove(std::uint32_t id) {
    SqliteStatement erase(db_, "DELETE FROM entries WHERE id = ?");
    return erase.bind(1, id).step() == SQLITE_DONE;
}

bool IdDatabase::isFileId(std::uint32_t id) {
    SqliteStatement select(db_, "SELECT 1 FROM file_ids WHERE id = ?");
    return select.bind(1, id).step() == SQLITE_ROW;
}

bool IdDatabase::setFileId(std::uint32_t id, bool fileId) {
    SqliteStatement change(
        db_, fileId ? "INSERT OR IGNORE INTO file_ids (id) VALUES (?)" : "DELETE FROM file_ids WHERE id = ?");
    return change.bind(1, id).step() == SQLITE_DONE;
}

bool IdDatabase::forgetName(std::uint32_t parent, const std::string& name) {
    SqliteStatement erase(db_, "DELETE FROM entries WHERE parent = ? AND name = ?");
    return erase.bind(1, parent).bind(2, name).step() == SQLITE_DONE;
}

} // namespace appletalk::afp
