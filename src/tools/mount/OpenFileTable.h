// SPDX-License-Identifier: MIT
// The files the mount has open, by the handle FUSE keeps for each: the path it was opened
// by (followed through renames, so a getattr of that path sends its held writes first) and
// its fork's buffers.
#pragma once

#include "tools/mount/OpenFile.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace vidur::mount {

class OpenFileTable {
public:
    std::uint64_t add(std::string path, std::unique_ptr<OpenFile> file);
    OpenFile* find(std::uint64_t handle);
    std::unique_ptr<OpenFile> remove(std::uint64_t handle);
    // The path `handle` was opened by, as renames left it; empty for no such handle.
    std::string pathOf(std::uint64_t handle) const;

    // Each open file of `path`.
    void forEachOf(std::string_view path, const std::function<void(OpenFile&)>& visit);
    // `from` (a file, or a folder with files open below it) is now `to`.
    void renamed(std::string_view from, std::string_view to);
    // Every open file, each handed out of the table.
    std::map<std::uint64_t, std::unique_ptr<OpenFile>> takeAll();

private:
    struct Entry {
        std::string path;
        std::unique_ptr<OpenFile> file;
    };
    std::map<std::uint64_t, Entry> entries_;
    std::uint64_t nextHandle_ = 1;
};

} // namespace vidur::mount
