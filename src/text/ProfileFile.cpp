// SPDX-License-Identifier: MIT
#include "text/ProfileFile.h"

#include "text/MacRoman.h"

#include <algorithm>

namespace vidur::text {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kLf = "\n";

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

ProfileFile::Line ProfileFile::classify(std::string text, std::string_view ending, bool first) const {
    Line line;
    line.text = std::move(text);
    line.ending = ending == "\r\n" ? kCrLf : ending == "\n" ? kLf : std::string_view();
    std::string_view s = line.text;
    if (first && s.starts_with(kByteOrderMark)) s.remove_prefix(kByteOrderMark.size());
    if (macRoman_) {
        line.decoded = vidur::text::macRomanToUtf8(s);
        line.isDecoded = true;
        s = line.decoded;
    }
    const std::string_view whole = line.utf8();
    const auto offset = [&](std::string_view part) { return static_cast<std::uint32_t>(part.data() - whole.data()); };
    s = trimLeft(s);
    if (s.empty()) return line;
    if (s.front() == ';') {
        line.kind = Kind::Comment;
        return line;
    }
    std::string_view name;
    if (s.front() == '[') {
        // The name runs to the first ']', as Windows reads it; a header without one takes the
        // rest of the line.
        s.remove_prefix(1);
        const std::size_t close = s.find(']');
        name = trim(close == std::string_view::npos ? s : s.substr(0, close));
        line.kind = Kind::Section;
    } else {
        const std::size_t equals = s.find('=');
        name = trim(s.substr(0, equals));
        if (equals != std::string_view::npos) {
            const std::string_view value = trim(s.substr(equals + 1));
            line.valueStart = value.empty() ? 0 : offset(value);
            line.valueLength = static_cast<std::uint32_t>(value.size());
            line.hasValue = true;
        }
        line.kind = Kind::Entry;
    }
    line.nameStart = name.empty() ? 0 : offset(name);
    line.nameLength = static_cast<std::uint32_t>(name.size());
    // Most names are ASCII, which is the same in both encodings.
    if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        line.name = std::string(name);
        return line;
    }
    auto converted = vidur::text::utf8ToMacRoman(name);
    line.name = std::move(converted.macRoman);
    line.nameExact = converted.lossless;
    return line;
}

ProfileFile ProfileFile::parse(std::string_view text) {
    ProfileFile file;
    // Decided for the whole file, never line by line: the system on the original platform
    // wrote its 8-bit code page, and a Mac OS Roman name may happen to be valid UTF-8 ("Caf"
    // then C3 A9 is "Caf\u221A\u00A9" there): read alone, that line would name another
    // device. Only a file that is UTF-8 throughout is taken for UTF-8.
    const std::string_view body = text.starts_with(kByteOrderMark) ? text.substr(kByteOrderMark.size()) : text;
    file.macRoman_ = !isUtf8(body);
    file.lines_.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        std::string_view piece = text.substr(0, newline);
        std::string_view ending;
        if (newline != std::string_view::npos) {
            ending = kLf;
            if (piece.ends_with('\r')) {
                piece.remove_suffix(1);
                ending = kCrLf;
            }
            text.remove_prefix(newline + 1);
        } else {
            text = {};
        }
        file.lines_.push_back(file.classify(std::string(piece), ending, file.lines_.empty()));
    }
    return file;
}

std::string ProfileFile::serialize() const {
    std::string out;
    std::size_t size = 0;
    for (const Line& line : lines_) size += line.text.size() + line.ending.size();
    out.reserve(size);
    for (const Line& line : lines_) {
        out += line.text;
        out += line.ending;
    }
    // A Mac OS Roman file whose edits removed its last byte that UTF-8 refuses would be read
    // back as UTF-8, and its other 8-bit names as other names: it is written as UTF-8 whole.
    const bool ascii = std::all_of(out.begin(), out.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!macRoman_ || ascii || !isUtf8(out)) return out;
    out.clear();
    for (const Line& line : lines_) {
        if (&line == &lines_.front() && std::string_view(line.text).starts_with(kByteOrderMark)) out += kByteOrderMark;
        out += line.utf8();
        out += line.ending;
    }
    return out;
}

std::string ProfileFile::encode(std::string_view macRoman) const {
    // A Mac OS Roman file stays so: a UTF-8 line in it would be read back as Mac OS Roman.
    return macRoman_ ? std::string(macRoman) : vidur::text::macRomanToUtf8(macRoman);
}

bool ProfileFile::sameName(const Line& line, std::string_view name) {
    return line.nameExact && vidur::text::compareFolded(line.name, trim(name)) == 0;
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
        return vidur::text::utf8ToMacRoman(stripQuotes(line.value())).macRoman;
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
    // A line without '=' is no key: Windows leaves it out of the listing.
    for (std::size_t i = ranges.front().header + 1; i < ranges.front().end; ++i)
        if (lines_[i].kind == Kind::Entry && lines_[i].hasValue && !lines_[i].name.empty())
            names.push_back(lines_[i].name);
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

std::string_view ProfileFile::newLineEnding() const {
    for (const Line& line : lines_)
        if (!line.ending.empty()) return line.ending;
    return "\n";
}

void ProfileFile::terminateLastLine() {
    if (!lines_.empty() && lines_.back().ending.empty()) lines_.back().ending = newLineEnding();
}

bool ProfileFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::string sectionText = encode(trim(section));
    const std::string keyText = encode(trim(key));
    const std::string valueText = encode(value);
    const std::string valueUtf8 = vidur::text::macRomanToUtf8(value);
    const std::string_view ending = newLineEnding();

    const auto ranges = sectionsNamed(section);
    if (ranges.empty()) {
        terminateLastLine();
        if (!lines_.empty() && lines_.back().kind != Kind::Other) lines_.push_back(classify("", ending, false));
        lines_.push_back(classify("[" + sectionText + "]", ending, lines_.empty()));
        lines_.push_back(classify(keyText + "=" + valueText, ending, false));
        return true;
    }

    const Range range = ranges.front();
    std::size_t insertAt = range.header + 1;
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        Line& line = lines_[i];
        if (line.kind != Kind::Entry) continue;
        if (sameName(line, key)) {
            // Rewritten as Windows writes it: the key as the file spells it, '=', the value.
            if (line.hasValue && line.value() == valueUtf8) return false;
            const std::string name =
                macRoman_ ? vidur::text::utf8ToMacRoman(line.rawName()).macRoman : std::string(line.rawName());
            line = classify(name + "=" + valueText, line.ending, false);
            return true;
        }
        insertAt = i + 1;
    }
    if (insertAt == lines_.size()) terminateLastLine();
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                  classify(keyText + "=" + valueText, ending, false));
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

} // namespace vidur::text
