// SPDX-License-Identifier: MIT
#include "appletalk/protocols/postscript/QueryJob.h"

namespace appletalk::postscript {

namespace {

constexpr std::string_view kHeader = "%!PS-Adobe-3.0 Query";
constexpr std::string_view kBegin = "%%?Begin";
constexpr std::string_view kEnd = "%%?End";
constexpr std::string_view kTitle = "%%Title:";

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Splits text into lines at CR, LF or CR LF; the last line may lack its end.
class Lines {
public:
    explicit Lines(std::string_view text) : text_(text) {}
    bool next(std::string_view& line) {
        if (position_ >= text_.size()) return false;
        const auto end = text_.find_first_of("\r\n", position_);
        line = text_.substr(position_, end == std::string_view::npos ? std::string_view::npos : end - position_);
        position_ = end == std::string_view::npos ? text_.size() : end + 1;
        if (end != std::string_view::npos && text_[end] == '\r' && position_ < text_.size() && text_[position_] == '\n')
            ++position_;
        return true;
    }

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

// "%%?BeginFeatureQuery: *Product" -> name "FeatureQuery", arguments "*Product". The name
// ends at the colon or at the first blank: "%%?BeginQuery product", without its colon, is
// still the pair "Query", so its End line closes it.
void splitComment(std::string_view rest, std::string& name, std::string& arguments) {
    const auto end = rest.find_first_of(": \t");
    name = std::string(rest.substr(0, end));
    if (end == std::string_view::npos) {
        arguments.clear();
        return;
    }
    rest.remove_prefix(end);
    rest = trimmed(rest);
    if (rest.starts_with(':')) rest.remove_prefix(1);
    arguments = std::string(trimmed(rest));
}

bool isMessage(std::string_view line) { return line.starts_with("%%[") && line.ends_with("]%%"); }

} // namespace

bool QueryJob::isQueryJob(std::string_view head) {
    if (!head.empty() && head.front() == '\x04') head.remove_prefix(1);
    std::string_view line;
    Lines lines(head);
    if (!lines.next(line) || !line.starts_with("%!PS-Adobe-")) return false;
    const auto space = line.find_first_of(" \t");
    return space != std::string_view::npos && trimmed(line.substr(space)) == "Query";
}

QueryJob QueryJob::parse(std::string_view job) {
    QueryJob parsed;
    PostScriptQuery* open = nullptr;
    std::string_view line;
    Lines lines(job);
    while (lines.next(line)) {
        // Queries do not nest: a Begin inside a query means its End went missing, and the
        // queries after it are still asked.
        if (open != nullptr && line.starts_with(kBegin)) open = nullptr;
        if (open != nullptr) {
            if (line.starts_with(kEnd)) {
                std::string name, answer;
                splitComment(line.substr(kEnd.size()), name, answer);
                if (name == open->name) {
                    open->defaultAnswer = std::move(answer);
                    open->complete = true;
                    open = nullptr;
                    continue;
                }
            }
            open->body.append(line).append("\n");
        } else if (line.starts_with(kBegin)) {
            PostScriptQuery query;
            splitComment(line.substr(kBegin.size()), query.name, query.arguments);
            query.kind = PostScriptQuery::kindOf(query.name);
            query.complete = false;
            parsed.queries.push_back(std::move(query));
            open = &parsed.queries.back();
        } else if (line.starts_with(kTitle) && parsed.queries.empty() && parsed.title.empty()) {
            parsed.title = std::string(trimmed(line.substr(kTitle.size())));
        }
    }
    return parsed;
}

std::string QueryJob::serialize() const {
    std::string text(kHeader);
    text += "\n";
    if (!title.empty()) text += std::string(kTitle) + " " + title + "\n";
    for (const PostScriptQuery& query : queries) text += query.serialize();
    return text + "%%EOF\n";
}

std::string QueryJob::defaultReply() const {
    std::vector<std::string> answers;
    for (const PostScriptQuery& query : queries) answers.push_back(query.defaultAnswer);
    return composeReply(answers);
}

std::string QueryJob::composeReply(const std::vector<std::string>& answers) {
    std::string reply;
    for (const std::string& answer : answers) reply += answer + "\n";
    return reply;
}

std::vector<std::string> QueryJob::splitReply(std::string_view reply) const {
    std::vector<std::string> answers;
    std::string_view line;
    Lines lines(reply);
    bool more = true;
    for (const PostScriptQuery& query : queries) {
        std::string answer;
        bool answered = false;
        while (more && (more = lines.next(line))) {
            if (line.empty() || isMessage(line)) continue;
            answer += (answer.empty() ? "" : "\n") + std::string(line);
            answered = !query.answersWithList() || line == "*";
            if (answered) break;
        }
        answers.push_back(answered ? std::move(answer) : query.defaultAnswer);
    }
    return answers;
}

} // namespace appletalk::postscript
