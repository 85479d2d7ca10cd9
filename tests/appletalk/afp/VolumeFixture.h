// SPDX-License-Identifier: MIT
// Volume tests' temporary folders: a shared folder and, beside it, its ID database.
#pragma once

#include "appletalk/afp/volume/Volume.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace appletalk::afp {

namespace fs = std::filesystem;

inline constexpr const char* kAttribute = "user.org.netatalk.Metadata";

// A temporary folder holding the shared folder ("share") and, beside it, its ID database.
class VolumeFixture {
public:
    VolumeFixture() {
        std::string pattern = (fs::temp_directory_path() / "vidur-volume-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        base_ = pattern;
        fs::create_directory(root());
    }
    ~VolumeFixture() {
        std::error_code ignored;
        fs::permissions(root(), fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(base_, ignored);
    }
    VolumeFixture(const VolumeFixture&) = delete;
    VolumeFixture& operator=(const VolumeFixture&) = delete;

    fs::path root() const { return base_ / "share"; }
    fs::path beside(const std::string& name) const { return base_ / name; } // outside the share
    std::unique_ptr<Volume> open(MetadataStore::Storage storage = MetadataStore::Storage::ExtendedAttributes,
                                 BeneathOpener::Method resolution = BeneathOpener::Method::Kernel,
                                 bool readOnly = false, const fs::path& database = {}) {
        VolumeOptions options;
        options.storage = storage;
        options.resolution = resolution;
        options.readOnly = readOnly;
        options.root = root();
        options.database = database.empty() ? base_ / "share.ids" : database;
        std::string problem;
        auto volume = Volume::open(options, problem);
        EXPECT_TRUE(volume) << problem;
        return volume;
    }
    void writeFile(const fs::path& path, const std::string& text) { std::ofstream(root() / path) << text; }

private:
    fs::path base_;
};

inline std::string readAll(Fork& fork) {
    std::string text(fork.size(), '\0');
    const auto got = fork.read(0, {reinterpret_cast<std::uint8_t*>(text.data()), text.size()});
    EXPECT_TRUE(got.ok());
    text.resize(got.value);
    return text;
}

} // namespace appletalk::afp
