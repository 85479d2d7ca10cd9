// SPDX-License-Identifier: MIT
#include "appletalk/serve/ServeSettings.h"

#include "appletalk/runtime/ServerSettings.h"
#include "text/AsciiText.h"

#include <algorithm>
#include <charconv>

namespace appletalk::serve {

namespace {

using vidur::text::lowered;
using vidur::text::trimmed;

std::optional<long> number(std::string_view text, long min, long max) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < min || value > max) return std::nullopt;
    return value;
}

std::vector<QueueChoice> queueList(std::string_view list) {
    std::vector<QueueChoice> queues;
    while (!list.empty()) {
        const auto comma = list.find(',');
        if (QueueChoice choice = QueueChoice::parse(list.substr(0, comma)); !choice.queue.empty())
            queues.push_back(std::move(choice));
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return queues;
}

} // namespace

QueueChoice QueueChoice::parse(std::string_view text) {
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) return {trimmed(text), {}};
    return {trimmed(text.substr(0, equals)), trimmed(text.substr(equals + 1))};
}

std::string ServeSettings::nameFor(std::string_view queue) const {
    // Queue names are compared as CUPS compares them, without regard to case.
    const auto found = names.find(lowered(queue));
    return found == names.end() ? std::string() : found->second;
}

ServeSettings ServeSettings::load() {
    return load(runtime::ServerSettings::startedByService() ? runtime::SettingsFiles::systemOnly()
                                                            : runtime::SettingsFiles::standard());
}

ServeSettings ServeSettings::load(const runtime::SettingsFiles& files) {
    ServeSettings settings;
    const auto value = [&files](const char* key) { return trimmed(files.value(kSection, key).value_or("")); };

    // The environment (and so --network) names the network first; then [Serve], then [Network].
    runtime::NetworkOverride chosen;
    if (runtime::NetworkOverride::fromEnvironment().network.empty()) {
        if (auto found = files.find(kSection, "Network")) {
            chosen.network = trimmed(found->value);
            chosen.origin = found->file.string();
            chosen.networkKey = std::string("[") + kSection + "] Network";
        }
    }
    runtime::ServerSettings server = runtime::ServerSettings::load(files, chosen);
    settings.network = std::move(server.settings);
    settings.problem = std::move(server.problem);
    settings.source = std::move(server.source);

    settings.queues = queueList(value("Queues"));
    if (std::string type = value("Type"); !type.empty()) settings.type = type;
    if (std::string user = value("DefaultUser"); !user.empty()) settings.defaultUser = user;
    if (std::string jobs = value("MaxJobs"); !jobs.empty()) {
        if (const auto parsed = number(jobs, 1, 30))
            settings.limits.maxJobs = static_cast<std::size_t>(*parsed);
        else
            settings.problems.push_back("MaxJobs=" + jobs + " is not a number from 1 to 30");
    }
    if (std::string size = value("MaxJobSize"); !size.empty()) {
        if (const auto parsed = number(size, 1, 1024 * 1024))
            settings.limits.maxJobBytes = static_cast<std::uint64_t>(*parsed) * 1024 * 1024;
        else
            settings.problems.push_back("MaxJobSize=" + size + " is not a number of megabytes");
    }
    // Each file may name queues; the first to name one wins, as for every other key.
    for (const auto& file : files.files())
        for (const std::string& queue : file.contents.getKeyNames(kNamesSection))
            settings.names.emplace(lowered(queue), trimmed(file.contents.getValue(kNamesSection, queue).value_or("")));
    return settings;
}

} // namespace appletalk::serve
