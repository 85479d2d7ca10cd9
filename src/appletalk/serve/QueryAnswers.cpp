// SPDX-License-Identifier: MIT
#include "appletalk/serve/QueryAnswers.h"

#include "appletalk/protocols/postscript/QueryJob.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <sstream>

namespace appletalk::serve {

namespace {

using postscript::PostScriptQuery;
using postscript::QueryKind;

std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> list;
    std::istringstream in{std::string(text)};
    for (std::string word; in >> word;) list.push_back(word);
    return list;
}

std::optional<std::string> nonEmpty(std::string text) {
    if (text.empty()) return std::nullopt;
    return text;
}

// A font's name as a query may write it, "/Times-Roman" or "Times-Roman".
std::string withoutSlash(std::string name) {
    if (name.starts_with('/')) name.erase(0, 1);
    return name;
}

// The resource category of fonts, as the conventions ("font") or PostScript ("Font") write it.
bool isFontType(std::string_view type) { return type == "font" || type == "Font"; }

// "/Times-Roman:Yes" a line for each font asked for, then "*".
std::string fontAnswer(const std::vector<std::string>& fonts, const PrinterDescription& description) {
    std::string answer;
    for (const std::string& asked : fonts) {
        const std::string font = withoutSlash(asked);
        answer += "/" + font + (description.hasFont(font) ? ":Yes\n" : ":No\n");
    }
    return answer + "*";
}

// "/Courier" a line for each font, then "*": what `FontDirectory {pop ==} forall` prints.
std::string fontList(const PrinterDescription& description) {
    std::string answer;
    for (const std::string& font : description.fonts) answer += "/" + font + "\n";
    return answer + "*";
}

// Whether the query's code prints with "==", which writes strings in parentheses.
bool printsSyntax(const PostScriptQuery& query) {
    const auto code = words(query.body);
    return std::find(code.begin(), code.end(), "==") != code.end();
}

// What one of the identity operators gives (product, version, revision, languagelevel), as
// the query's code prints it; nothing for another word.
std::optional<std::string> identity(std::string_view word, bool syntax, const PrinterDescription& description) {
    const auto string = [syntax](const std::string& text) { return syntax ? "(" + text + ")" : text; };
    if (word == "product") return string(description.product);
    if (word == "version") return string(description.version);
    if (word == "revision") return std::to_string(description.revision);
    if (word == "languagelevel") return std::to_string(description.languageLevel);
    return std::nullopt;
}

// The product, version and revision a line each, in the order the query's code names the
// three operators (that order when it names none).
std::string printerAnswer(const PostScriptQuery& query, const PrinterDescription& description) {
    const bool syntax = printsSyntax(query);
    std::vector<std::string> lines;
    for (const std::string& word : words(query.body))
        if (word != "languagelevel")
            if (auto line = identity(word, syntax, description)) lines.push_back(std::move(*line));
    if (lines.empty())
        for (const char* word : {"product", "version", "revision"})
            lines.push_back(*identity(word, syntax, description));
    std::string answer;
    for (const std::string& line : lines) answer += (answer.empty() ? "" : "\n") + line;
    return answer;
}

// "%%?BeginQuery: product": one identity operator by its name, or a feature by its keyword.
std::optional<std::string> genericAnswer(const PostScriptQuery& query, const PrinterDescription& description) {
    const std::string_view key = query.key();
    if (key.starts_with('*')) return nonEmpty(description.feature(key));
    std::string word(key);
    std::transform(word.begin(), word.end(), word.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return identity(word, printsSyntax(query), description);
}

// "%%?BeginResourceQuery: font Times-Roman": "Yes" or "No" a line for each font named, as
// `resourcestatus` code prints them. Other resources (procsets, files) the printer alone knows.
std::optional<std::string> resourceAnswer(const PostScriptQuery& query, const PrinterDescription& description) {
    const auto names = words(query.arguments);
    if (names.size() < 2 || !isFontType(names.front())) return std::nullopt;
    std::string answer;
    for (auto name = names.begin() + 1; name != names.end(); ++name)
        answer += std::string(answer.empty() ? "" : "\n") + (description.hasFont(withoutSlash(*name)) ? "Yes" : "No");
    return answer;
}

std::optional<std::string> answerOf(const PostScriptQuery& query, const PrinterDescription& description) {
    if (!query.complete) return std::nullopt;
    switch (query.kind) {
    case QueryKind::Feature: return nonEmpty(description.feature(query.key()));
    case QueryKind::Font: {
        const auto fonts = words(query.arguments);
        if (fonts.empty()) return std::nullopt;
        return fontAnswer(fonts, description);
    }
    case QueryKind::FontList: return fontList(description);
    case QueryKind::ResourceList:
        if (isFontType(query.key())) return fontList(description);
        return std::nullopt;
    case QueryKind::Resource: return resourceAnswer(query, description);
    case QueryKind::Printer: return printerAnswer(query, description);
    case QueryKind::Generic: return genericAnswer(query, description);
    default: return std::nullopt; // files, procsets, VM: the query's own default
    }
}

} // namespace

QueryAnswers QueryAnswers::answer(std::string_view queryJob, const PrinterDescription& description) {
    const postscript::QueryJob job = postscript::QueryJob::parse(queryJob);
    QueryAnswers answers;
    std::vector<std::string> replies;
    for (const PostScriptQuery& query : job.queries) {
        if (auto reply = answerOf(query, description)) {
            replies.push_back(std::move(*reply));
            ++answers.answered;
        } else {
            replies.push_back(query.defaultAnswer);
            ++answers.defaulted;
        }
    }
    answers.text = postscript::QueryJob::composeReply(replies);
    return answers;
}

} // namespace appletalk::serve
