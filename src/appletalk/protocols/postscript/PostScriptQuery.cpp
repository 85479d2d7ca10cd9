// SPDX-License-Identifier: MIT
#include "appletalk/protocols/postscript/PostScriptQuery.h"

#include <array>
#include <utility>

namespace appletalk::postscript {

namespace {

constexpr std::array<std::pair<QueryKind, std::string_view>, 10> kNames = {{
    {QueryKind::Feature, "FeatureQuery"},
    {QueryKind::File, "FileQuery"},
    {QueryKind::FontList, "FontListQuery"},
    {QueryKind::Font, "FontQuery"},
    {QueryKind::Printer, "PrinterQuery"},
    {QueryKind::ProcSet, "ProcSetQuery"},
    {QueryKind::Generic, "Query"},
    {QueryKind::ResourceList, "ResourceListQuery"},
    {QueryKind::Resource, "ResourceQuery"},
    {QueryKind::VMStatus, "VMStatus"},
}};

} // namespace

QueryKind PostScriptQuery::kindOf(std::string_view name) {
    for (const auto& [kind, known] : kNames)
        if (known == name) return kind;
    return QueryKind::Other;
}

std::string PostScriptQuery::nameOf(QueryKind kind) {
    for (const auto& [known, name] : kNames)
        if (known == kind) return std::string(name);
    return {};
}

PostScriptQuery PostScriptQuery::make(QueryKind kind, std::string arguments, std::string body,
                                      std::string defaultAnswer) {
    if (!body.empty() && body.back() != '\n') body += '\n';
    return {kind, nameOf(kind), std::move(arguments), std::move(body), std::move(defaultAnswer), true};
}

std::string_view PostScriptQuery::key() const {
    const std::string_view words(arguments);
    return words.substr(0, words.find_first_of(" \t"));
}

std::string PostScriptQuery::serialize() const {
    std::string text = "%%?Begin" + name + (arguments.empty() ? "" : ": " + arguments) + "\n";
    text += body;
    if (!body.empty() && body.back() != '\n') text += '\n';
    text += "%%?End" + name + (defaultAnswer.empty() ? "" : ": " + defaultAnswer) + "\n";
    return text;
}

} // namespace appletalk::postscript
