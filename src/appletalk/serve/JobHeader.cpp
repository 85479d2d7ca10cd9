// SPDX-License-Identifier: MIT
#include "appletalk/serve/JobHeader.h"

#include "appletalk/protocols/postscript/QueryJob.h"
#include "text/AsciiText.h"

namespace appletalk::serve {

namespace {

using vidur::text::trimmedView;

constexpr std::string_view kTitle = "%%Title:";
constexpr std::string_view kFor = "%%For:";

// The contents of a PostScript string starting at text[0] == '(': escapes undone, nested
// balanced parentheses kept.
std::string postScriptString(std::string_view text) {
    std::string out;
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '(' && depth++ == 0) continue;
        if (c == ')' && --depth == 0) break;
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const char next = text[++i];
        if (next >= '0' && next <= '7') {
            int value = 0;
            for (int digits = 0; digits < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7'; ++digits, ++i)
                value = value * 8 + (text[i] - '0');
            --i;
            out += static_cast<char>(value & 0xFF);
            continue;
        }
        switch (next) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        default: out += next; // \( \) \\ and an unknown escape: the character itself
        }
    }
    return out;
}

} // namespace

std::string JobHeader::commentText(std::string_view value) {
    value = trimmedView(value);
    if (value == "(atend)") return {};
    if (value.starts_with('(')) return postScriptString(value);
    return std::string(value);
}

std::optional<JobHeader> JobHeader::read(std::string_view head, bool whole) {
    if (head.size() > kLimit) {
        head = head.substr(0, kLimit);
        whole = true;
    }
    JobHeader header;
    std::size_t start = 0;
    for (bool first = true;; first = false) {
        const auto end = head.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            // An unended last line counts once nothing more can come.
            if (!whole) return std::nullopt;
        }
        const std::string_view line = head.substr(start, end == std::string_view::npos ? head.npos : end - start);
        if (first) {
            header.query = postscript::QueryJob::isQueryJob(line);
            const std::string_view bare = line.starts_with('\x04') ? line.substr(1) : line;
            if (header.query || !bare.starts_with("%!")) return header;
        } else if (line.starts_with(kTitle)) {
            if (header.title.empty()) header.title = commentText(line.substr(kTitle.size()));
        } else if (line.starts_with(kFor)) {
            if (header.user.empty()) header.user = commentText(line.substr(kFor.size()));
        } else if (line == "%%EndComments" || !line.starts_with("%%")) {
            // A blank line between CR and LF is no end: "\r\n" splits into two.
            if (!(line.empty() && start > 0 && head[start - 1] == '\r')) return header;
        }
        if (end == std::string_view::npos) return header;
        start = end + 1;
    }
}

} // namespace appletalk::serve
