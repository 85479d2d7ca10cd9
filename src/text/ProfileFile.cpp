#include "text/ProfileFile.h"

#include "text/MacRoman.h"

#include <algorithm>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\v' || ch == '\f' || ch == '\r'; }

std::string_view trimLeft(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view trim(std::string_view s) {
    s = trimLeft(s);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Windows strips one pair of matching outer quotes, single or double, from a value read.
std::string_view stripQuotes(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

ProfileFile::Line ProfileFile::classify(std::string text, std::string ending, bool first) {
    Line line;
    line.text = std::move(text);
    line.ending = std::move(ending);
    std::string_view s = line.text;
    if (first && s.starts_with(kByteOrderMark)) s.remove_prefix(kByteOrderMark.size());
    s = trimLeft(s);
    if (s.empty()) return line;
    if (s.front() == ';') {
        line.kind = Kind::Comment;
        return line;
    }
    std::string_view name;
    if (s.front() == '[') {
        // The name runs to the last ']'; a header without one takes the rest of the line.
        s.remove_prefix(1);
        const std::size_t close = s.rfind(']');
        name = trim(close == std::string_view::npos ? s : s.substr(0, close));
        line.kind = Kind::Section;
    } else {
        const std::size_t equals = s.find('=');
        name = trim(s.substr(0, equals));
        if (equals != std::string_view::npos) {
            line.value = std::string(trim(s.substr(equals + 1)));
            line.hasValue = true;
        }
        line.kind = Kind::Entry;
    }
    line.rawName = std::string(name);
    auto converted = appletalk::text::utf8ToMacRoman(name);
    line.name = std::move(converted.macRoman);
    line.nameExact = converted.lossless;
    return line;
}

ProfileFile ProfileFile::parse(std::string_view utf8Text) {
    ProfileFile file;
    while (!utf8Text.empty()) {
        const std::size_t newline = utf8Text.find('\n');
        std::string_view piece = utf8Text.substr(0, newline);
        std::string ending;
        if (newline != std::string_view::npos) {
            ending = "\n";
            if (piece.ends_with('\r')) {
                piece.remove_suffix(1);
                ending = "\r\n";
            }
            utf8Text.remove_prefix(newline + 1);
        } else {
            utf8Text = {};
        }
        file.lines_.push_back(classify(std::string(piece), std::move(ending), file.lines_.empty()));
    }
    return file;
}

std::string ProfileFile::serialize() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.text;
        out += line.ending;
    }
    return out;
}

bool ProfileFile::sameName(const Line& line, std::string_view name) {
    return line.nameExact && appletalk::text::compareFolded(line.name, trim(name)) == 0;
}

std::vector<ProfileFile::Range> ProfileFile::sectionsNamed(std::string_view section) const {
    std::vector<Range> ranges;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind != Kind::Section) continue;
        if (!ranges.empty() && ranges.back().end == lines_.size()) ranges.back().end = i;
        if (sameName(lines_[i], section)) ranges.push_back({i, lines_.size()});
    }
    return ranges;
}

std::optional<std::string> ProfileFile::getValue(std::string_view section, std::string_view key) const {
    const auto ranges = sectionsNamed(section);
    if (ranges.empty()) return std::nullopt;
    for (std::size_t i = ranges.front().header + 1; i < ranges.front().end; ++i) {
        const Line& line = lines_[i];
        if (line.kind != Kind::Entry || !sameName(line, key)) continue;
        if (!line.hasValue) return std::nullopt;
        return appletalk::text::utf8ToMacRoman(stripQuotes(line.value)).macRoman;
    }
    return std::nullopt;
}

std::vector<std::string> ProfileFile::getSectionNames() const {
    std::vector<std::string> names;
    for (const Line& line : lines_)
        if (line.kind == Kind::Section && !line.name.empty()) names.push_back(line.name);
    return names;
}

std::vector<std::string> ProfileFile::getKeyNames(std::string_view section) const {
    std::vector<std::string> names;
    const auto ranges = sectionsNamed(section);
    if (ranges.empty()) return names;
    for (std::size_t i = ranges.front().header + 1; i < ranges.front().end; ++i)
        if (lines_[i].kind == Kind::Entry && !lines_[i].name.empty()) names.push_back(lines_[i].name);
    return names;
}

bool ProfileFile::isWritableSectionName(std::string_view section) {
    return !trim(section).empty() && section.find_first_of("\r\n]") == std::string_view::npos;
}

bool ProfileFile::isWritableKeyName(std::string_view key) {
    // A key starting with ';' or '[' would read back as a comment or a section.
    const std::string_view name = trim(key);
    return !name.empty() && name.front() != ';' && name.front() != '[' &&
           key.find_first_of("\r\n=") == std::string_view::npos;
}

bool ProfileFile::isWritableValue(std::string_view value) {
    return value.find_first_of("\r\n") == std::string_view::npos;
}

std::string ProfileFile::newLineEnding() const {
    for (const Line& line : lines_)
        if (!line.ending.empty()) return line.ending;
    return "\n";
}

void ProfileFile::terminateLastLine() {
    if (!lines_.empty() && lines_.back().ending.empty()) lines_.back().ending = newLineEnding();
}

bool ProfileFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::string sectionUtf8 = appletalk::text::macRomanToUtf8(trim(section));
    const std::string keyUtf8 = appletalk::text::macRomanToUtf8(trim(key));
    const std::string valueUtf8 = appletalk::text::macRomanToUtf8(value);
    const std::string ending = newLineEnding();

    const auto ranges = sectionsNamed(section);
    if (ranges.empty()) {
        terminateLastLine();
        if (!lines_.empty() && lines_.back().kind != Kind::Other) lines_.push_back(classify("", ending, false));
        lines_.push_back(classify("[" + sectionUtf8 + "]", ending, lines_.empty()));
        lines_.push_back(classify(keyUtf8 + "=" + valueUtf8, ending, false));
        return true;
    }

    const Range range = ranges.front();
    std::size_t insertAt = range.header + 1;
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        Line& line = lines_[i];
        if (line.kind != Kind::Entry) continue;
        if (sameName(line, key)) {
            // Rewritten as Windows writes it: the key as the file spells it, '=', the value.
            if (line.hasValue && line.value == valueUtf8) return false;
            line = classify(line.rawName + "=" + valueUtf8, line.ending, false);
            return true;
        }
        insertAt = i + 1;
    }
    if (insertAt == lines_.size()) terminateLastLine();
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                   classify(keyUtf8 + "=" + valueUtf8, ending, false));
    return true;
}

bool ProfileFile::removeKey(std::string_view section, std::string_view key) {
    bool changed = false;
    const auto ranges = sectionsNamed(section);
    for (auto range = ranges.rbegin(); range != ranges.rend(); ++range) {
        for (std::size_t i = range->end; i-- > range->header + 1;) {
            if (lines_[i].kind == Kind::Entry && sameName(lines_[i], key)) {
                lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
                changed = true;
            }
        }
    }
    return changed;
}

bool ProfileFile::removeSection(std::string_view section) {
    const auto ranges = sectionsNamed(section);
    for (auto range = ranges.rbegin(); range != ranges.rend(); ++range)
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->header),
                      lines_.begin() + static_cast<std::ptrdiff_t>(range->end));
    return !ranges.empty();
}
