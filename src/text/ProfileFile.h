// One private profile file in memory, with the rules of the Windows profile functions:
// section and key names compare without regard to case (the Mac OS Roman fold), names and
// values are trimmed, a value's outer pair of matching quotes is stripped when read, and
// lines starting with ';' are comments. Every line keeps its own bytes and line ending, so
// writing the file back changes only the lines an edit touched.
//
// The text is UTF-8 (as on disk); names and values cross this interface in Mac OS Roman.
// On duplicates the first section and, within it, the first key answer a read; removals
// take every duplicate, so a removed key or section never reappears.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ProfileFile {
public:
    // Never fails: every byte sequence is some profile.
    static ProfileFile parse(std::string_view utf8Text);
    std::string serialize() const;

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
        std::string text;   // UTF-8, without its line ending
        std::string ending; // "\r\n", "\n" or "" for a last line without one
        Kind kind = Kind::Other;
        std::string rawName; // section or key name, trimmed, UTF-8 as in the file
        std::string name;   // the same in Mac OS Roman
        bool nameExact = true; // false when the name had characters outside Mac OS Roman
        std::string value;  // trimmed, UTF-8, quotes kept
        bool hasValue = false;
    };
    struct Range {
        std::size_t header; // index of the section line
        std::size_t end;    // one past its last line
    };

    static Line classify(std::string text, std::string ending, bool first);
    static bool sameName(const Line& line, std::string_view name);
    std::vector<Range> sectionsNamed(std::string_view section) const;
    std::string newLineEnding() const;
    void terminateLastLine();

    std::vector<Line> lines_;
};
