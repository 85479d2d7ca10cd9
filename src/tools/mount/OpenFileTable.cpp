// SPDX-License-Identifier: MIT
#include "tools/mount/OpenFileTable.h"

namespace vidur::mount {

std::uint64_t OpenFileTable::add(std::string path, std::unique_ptr<OpenFile> file) {
    const std::uint64_t handle = nextHandle_++;
    entries_.emplace(handle, Entry{std::move(path), std::move(file)});
    return handle;
}

OpenFile* OpenFileTable::find(std::uint64_t handle) {
    const auto found = entries_.find(handle);
    return found == entries_.end() ? nullptr : found->second.file.get();
}

std::unique_ptr<OpenFile> OpenFileTable::remove(std::uint64_t handle) {
    const auto found = entries_.find(handle);
    if (found == entries_.end()) return nullptr;
    auto file = std::move(found->second.file);
    entries_.erase(found);
    return file;
}

std::string OpenFileTable::pathOf(std::uint64_t handle) const {
    const auto found = entries_.find(handle);
    return found == entries_.end() ? std::string() : found->second.path;
}

void OpenFileTable::forEachOf(std::string_view path, const std::function<void(OpenFile&)>& visit) {
    for (auto& [handle, entry] : entries_)
        if (entry.path == path) visit(*entry.file);
}

void OpenFileTable::renamed(std::string_view from, std::string_view to) {
    for (auto& [handle, entry] : entries_) {
        const std::string_view path = entry.path;
        if (path == from)
            entry.path = std::string(to);
        else if (path.starts_with(from) && path.size() > from.size() && path[from.size()] == '/')
            entry.path = std::string(to) + std::string(path.substr(from.size()));
    }
}

std::map<std::uint64_t, std::unique_ptr<OpenFile>> OpenFileTable::takeAll() {
    std::map<std::uint64_t, std::unique_ptr<OpenFile>> all;
    for (auto& [handle, entry] : entries_) all.emplace(handle, std::move(entry.file));
    entries_.clear();
    return all;
}

} // namespace vidur::mount
