// SPDX-License-Identifier: MIT
// Fuzzes the profile reader with arbitrary file contents: parsing never fails, an unedited
// file writes back byte for byte, every listed name can be looked up, and values written
// into the parsed file read back after writing and parsing again, and are gone once removed.
// Everything happens in memory: one parse of the input, one of the edited text and one of
// the text with the edits removed, so the target runs about as fast as the packet targets.
#include "text/ProfileFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using vidur::text::ProfileFile;

namespace {

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "profile_reader: %s\n", what);
    std::abort();
}

bool writable(const std::string& section, const std::string& key) {
    return ProfileFile::isWritableSectionName(section) && ProfileFile::isWritableKeyName(key);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ProfileFile file = ProfileFile::parse(text);
    require(file.serialize() == text, "unedited file did not write back unchanged");

    const auto sections = file.getSectionNames();
    for (const std::string& section : sections) {
        for (const std::string& key : file.getKeyNames(section)) static_cast<void>(file.getValue(section, key));
    }

    // Two edits in one pass: a key of the file's first section (an existing one when it has
    // keys) and a key in a new section.
    const std::string firstSection = sections.empty() ? std::string("Fuzz") : sections.front();
    const auto keys = file.getKeyNames(firstSection);
    std::vector<std::pair<std::string, std::string>> edits;
    if (writable(firstSection, keys.empty() ? "Key" : keys.front()))
        edits.emplace_back(firstSection, keys.empty() ? "Key" : keys.front());
    edits.emplace_back("New Section", "Fuzz Key");
    for (const auto& [section, key] : edits) file.setValue(section, key, "fuzz value");

    ProfileFile reparsed = ProfileFile::parse(file.serialize());
    for (const auto& [section, key] : edits) {
        require(reparsed.getValue(section, key) == std::optional<std::string>("fuzz value"), "written value lost");
        reparsed.removeKey(section, key);
    }
    const ProfileFile removed = ProfileFile::parse(reparsed.serialize());
    for (const auto& [section, key] : edits) require(!removed.getValue(section, key), "removed key still readable");
    return 0;
}
