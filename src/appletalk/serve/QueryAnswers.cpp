// SPDX-License-Identifier: MIT
#include "appletalk/serve/QueryAnswers.h"

#include "appletalk/protocols/postscript/QueryJob.h"

#include <algorithm>
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

// "/Times-Roman:Yes" a line for each font asked for, then "*".
std::string fontAnswer(const std::vector<std::string>& fonts, const PrinterDescription& description) {
    std::string answer;
    for (std::string font : fonts) {
        if (font.starts_with('/')) font.erase(0, 1);
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

// The product, version and revision a line each, in the order the query's code names the
// three operators (that order when it names none); strings in parentheses when the code
// prints with "==", as that operator writes them.
std::string printerAnswer(const PostScriptQuery& query, const PrinterDescription& description) {
    const auto code = words(query.body);
    const bool syntax = std::find(code.begin(), code.end(), "==") != code.end();
    const auto string = [syntax](const std::string& text) { return syntax ? "(" + text + ")" : text; };
    std::vector<std::string> lines;
    for (const std::string& word : code) {
        if (word == "product") lines.push_back(string(description.product));
        if (word == "version") lines.push_back(string(description.version));
        if (word == "revision") lines.push_back(std::to_string(description.revision));
    }
    if (lines.empty())
        lines = {string(description.product), string(description.version), std::to_string(description.revision)};
    std::string answer;
    for (const std::string& line : lines) answer += (answer.empty() ? "" : "\n") + line;
    return answer;
}

std::optional<std::string> answerOf(const PostScriptQuery& query, const PrinterDescription& description) {
    if (!query.complete) return std::nullopt;
    switch (query.kind) {
    case QueryKind::Feature: {
        std::string setting = description.feature(query.key());
        if (setting.empty()) return std::nullopt;
        return setting;
    }
    case QueryKind::Font: {
        const auto fonts = words(query.arguments);
        if (fonts.empty()) return std::nullopt;
        return fontAnswer(fonts, description);
    }
    case QueryKind::FontList: return fontList(description);
    case QueryKind::ResourceList:
        if (query.key() == "font" || query.key() == "Font") return fontList(description);
        return std::nullopt;
    case QueryKind::Printer: return printerAnswer(query, description);
    default: return std::nullopt; // files, procsets, VM, resources: the query's own default
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
