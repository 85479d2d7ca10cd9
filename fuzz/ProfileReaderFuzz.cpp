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
    if (!ProfileFile::IsWritableSectionName(section) || !ProfileFile::IsWritableKeyName(key)) return;
    ProfileFile edited = original;
    edited.SetValue(section, key, "fuzz value");
    const ProfileFile reparsed = ProfileFile::Parse(edited.Serialize());
    require(reparsed.GetValue(section, key) == std::optional<std::string>("fuzz value"), "written value lost");
    ProfileFile removed = reparsed;
    removed.RemoveKey(section, key);
    require(!ProfileFile::Parse(removed.Serialize()).GetValue(section, key), "removed key still readable");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ProfileFile file = ProfileFile::Parse(text);
    require(file.Serialize() == text, "unedited file did not write back unchanged");

    const auto sections = file.GetSectionNames();
    for (const std::string& section : sections) {
        for (const std::string& key : file.GetKeyNames(section)) static_cast<void>(file.GetValue(section, key));
    }
    const std::string firstSection = sections.empty() ? std::string("Fuzz") : sections.front();
    const auto keys = file.GetKeyNames(firstSection);
    checkWriteReadsBack(file, firstSection, keys.empty() ? std::string_view("Key") : std::string_view(keys.front()));
    checkWriteReadsBack(file, "New Section", "Key");
    return 0;
}
