// SPDX-License-Identifier: MIT
// The volume's file and folder IDs, kept in a small SQLite database so they survive sessions
// and restarts: each ID with the ID of its folder, its Linux name there, and the device and
// inode it was last seen on (to notice a file replaced or moved behind the server's back).
// The root folder is ID 2 with parent 1, as AFP has it; new IDs start past AFP's reserved
// ones and are never given twice.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

struct sqlite3;

namespace appletalk::afp {

class IdDatabase {
public:
    static constexpr std::uint32_t kRootParentId = 1;
    static constexpr std::uint32_t kRootId = 2;
    static constexpr std::uint32_t kFirstFreeId = 17;

    struct Record {
        std::uint32_t id = 0;
        std::uint32_t parent = 0;
        std::string name; // Linux name in the parent folder
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
    };

    // Opens or creates the database; nothing and a reason when it cannot.
    static std::unique_ptr<IdDatabase> open(const std::filesystem::path& file, std::string& problem);
    ~IdDatabase();
    IdDatabase(const IdDatabase&) = delete;
    IdDatabase& operator=(const IdDatabase&) = delete;

    // Eight random bytes made with the database: metadata on disk names the database that gave
    // its ID, so an ID copied from another volume is not taken for one of ours.
    const std::array<std::uint8_t, 8>& stamp() const { return stamp_; }

    std::optional<Record> byId(std::uint32_t id);
    std::optional<Record> byName(std::uint32_t parent, const std::string& name);
    // A new ID for the entry; 0 when the database failed.
    std::uint32_t add(std::uint32_t parent, const std::string& name, std::uint64_t device, std::uint64_t inode);
    // Takes an ID back that the metadata on disk remembers and the database lost.
    bool adopt(const Record& record);
    // The entry moved or was renamed; whatever stale ID held the new place gives it up.
    bool move(std::uint32_t id, std::uint32_t parent, const std::string& name);
    bool setInode(std::uint32_t id, std::uint64_t device, std::uint64_t inode);
    bool remove(std::uint32_t id);
    // Every entry has an ID; a file ID is one a client asked to keep (AFP's CreateID), until
    // it deletes it or the entry goes.
    bool isFileId(std::uint32_t id);
    bool setFileId(std::uint32_t id, bool fileId);

private:
    explicit IdDatabase(sqlite3* db) : db_(db) {}
    bool execute(const char* sql);
    bool prepareStamp();
    bool forgetName(std::uint32_t parent, const std::string& name);

    sqlite3* db_;
    std::array<std::uint8_t, 8> stamp_{};
};

} // namespace appletalk::afp
