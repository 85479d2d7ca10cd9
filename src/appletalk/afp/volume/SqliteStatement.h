// SPDX-License-Identifier: MIT
// One prepared SQLite statement, finalized when it goes. A statement that failed to prepare
// steps to SQLITE_ERROR, so a database that went bad answers with an error, never a crash.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace appletalk::afp {

class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) statement_ = nullptr;
    }
    ~SqliteStatement() { sqlite3_finalize(statement_); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool ok() const { return statement_ != nullptr; }
    SqliteStatement& bind(int index, std::int64_t value) {
        if (statement_ != nullptr) sqlite3_bind_int64(statement_, index, value);
        return *this;
    }
    SqliteStatement& bind(int index, std::span<const std::uint8_t> bytes) {
        if (statement_ != nullptr)
            sqlite3_bind_blob(statement_, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
        return *this;
    }
    SqliteStatement& bind(int index, const std::string& text) {
        return bind(index, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    }
    // SQLITE_ROW, SQLITE_DONE or an error.
    int step() { return statement_ != nullptr ? sqlite3_step(statement_) : SQLITE_ERROR; }
    std::int64_t integer(int column) const { return sqlite3_column_int64(statement_, column); }
    std::string blob(int column) const {
        const auto bytes = blobBytes(column);
        return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
    }
    std::span<const std::uint8_t> blobBytes(int column) const {
        const auto* data = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_, column));
        if (data == nullptr) return {};
        return {data, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))};
    }

private:
    sqlite3_stmt* statement_ = nullptr;
};

} // namespace appletalk::afp
