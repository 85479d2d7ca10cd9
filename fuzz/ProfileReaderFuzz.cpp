// Fuzzes the profile reader with arbitrary file contents: parsing never fails, an unedited
// file writes back byte for byte, every listed name can be looked up, and a value written
// into the parsed file reads back after writing and parsing again.
#include "text/ProfileFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "profile_reader: %s\n", what);
    std::abort();
}

void checkWriteReadsBack(const ProfileFile& original, const std::string& section, std::string_view key) {
    if (!ProfileFile::isWritableSectionName(section) || !ProfileFile::isWritableKeyName(key)) return;
    ProfileFile edited = original;
    edited.setValue(section, key, "fuzz value");
    const ProfileFile reparsed = ProfileFile::parse(edited.serialize());
    require(reparsed.getValue(section, key) == std::optional<std::string>("fuzz value"), "written value lost");
    ProfileFile removed = reparsed;
    removed.removeKey(section, key);
    require(!ProfileFile::parse(removed.serialize()).getValue(section, key), "removed key still readable");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ProfileFile file = ProfileFile::parse(text);
    require(file.serialize() == text, "unedited file did not write back unchanged");

    const auto sections = file.getSectionNames();
    for (const std::string& section : sections) {
        for (const std::string& key : file.getKeyNames(section)) static_cast<void>(file.getValue(section, key));
    }
    const std::string firstSection = sections.empty() ? std::string("Fuzz") : sections.front();
    const auto keys = file.getKeyNames(firstSection);
    checkWriteReadsBack(file, firstSection, keys.empty() ? std::string_view("Key") : std::string_view(keys.front()));
    checkWriteReadsBack(file, "New Section", "Key");
    return 0;
}
