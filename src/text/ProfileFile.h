// SPDX-License-Identifier: MIT
// One private profile file in memory, with the rules of the Windows profile functions:
// section and key names compare without regard to case (the Mac OS Roman fold), names and
// values are trimmed, a value's outer pair of matching quotes is stripped when read, and
// lines starting with ';' are comments. Every line keeps its own bytes and line ending, so
// writing the file back changes only the lines an edit touched.
//
// A file is UTF-8 (as the system writes it) when it is valid UTF-8 throughout, and Mac OS
// Roman throughout otherwise (a file from the original platform, written in its 8-bit code
// page); lines rewritten by an edit keep the file's encoding. Names and values cross this
// interface in Mac OS Roman. A section name ends at its first ']'; a line without '=' is no key.
// On duplicates the first section and, within it, the first key answer a read; removals
// take every duplicate, so a removed key or section never reappears.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vidur::text {

class ProfileFile {
public:
    // Never fails: every byte sequence is some profile.
    static ProfileFile parse(std::string_view text);
    std::string serialize() const;
    // Whether the file was read as Mac OS Roman (it is not valid UTF-8 throughout).
    bool isMacRoman() const { return macRoman_; }

    // The value of the key in the first section of that name, quotes stripped; nothing when
    // the section or key is missing or the key line has no '='.
    std::optional<std::string> getValue(std::string_view section, std::string_view key) const;
    // Every section name, in file order.
    std::vector<std::string> getSectionNames() const;
    // The key names of the first section of that name, in file order, comments left out.
    std::vector<std::string> getKeyNames(std::string_view section) const;

    // Whether a name or value can be written without changing the file's structure.
    static bool isWritableSectionName(std::string_view section);
    static bool isWritableKeyName(std::string_view key);
    static bool isWritableValue(std::string_view value);

    // Edits; each returns whether the text changed. Names are trimmed as on reading.
    bool setValue(std::string_view section, std::string_view key, std::string_view value);
    bool removeKey(std::string_view section, std::string_view key);
    bool removeSection(std::string_view section);

private:
    enum class Kind { Other, Comment, Section, Entry };
    struct Line {
        std::string text; // the line's own bytes, without its line ending
        std::string decoded; // its UTF-8 form when the file is Mac OS Roman
        std::string_view ending; // "\r\n", "\n" or "" for a last line without one (static text)
        Kind kind = Kind::Other;
        bool isDecoded = false;
        bool nameExact = true; // false when the name had characters outside Mac OS Roman
        bool hasValue = false;
        std::uint32_t nameStart = 0, nameLength = 0; // in utf8(): the name, trimmed
        std::uint32_t valueStart = 0, valueLength = 0; // in utf8(): the value, trimmed, quotes kept
        std::string name; // the name in Mac OS Roman

        std::string_view utf8() const { return isDecoded ? std::string_view(decoded) : std::string_view(text); }
        std::string_view rawName() const { return utf8().substr(nameStart, nameLength); }
        std::string_view value() const { return utf8().substr(valueStart, valueLength); }
    };
    struct Range {
        std::size_t header; // index of the section line
        std::size_t end; // one past its last line
    };

    Line classify(std::string text, std::string_view ending, bool first) const;
    // Mac OS Roman text in the file's own encoding.
    std::string encode(std::string_view macRoman) const;
    static bool sameName(const Line& line, std::string_view name);
    std::vector<Range> sectionsNamed(std::string_view section) const;
    std::string_view newLineEnding() const;
    void terminateLastLine();

    std::vector<Line> lines_;
    bool macRoman_ = false;
};

} // namespace vidur::text
