// SPDX-License-Identifier: MIT
#include "appletalk/runtime/ServerSettings.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace appletalk::runtime {

namespace {

bool variableSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
    return text;
}

// What each file lacks, when none of them names a network.
std::string whyNoNetwork(const SettingsFiles& files) {
    std::vector<std::string> reasons;
    for (const SettingsFiles::File& file : files.files()) {
        const std::string path = file.path.string();
        switch (file.state) {
        case SettingsFiles::File::State::Missing: reasons.push_back(path + " does not exist"); break;
        case SettingsFiles::File::State::Unreadable: reasons.push_back(file.unreadableText()); break;
        case SettingsFiles::File::State::Read:
            reasons.push_back(path + " names no network (no Link= in [Network])");
            break;
        }
    }
    return "no AppleTalk network: " + joined(reasons, "; ");
}

} // namespace

bool ServerSettings::startedByService() {
    // CUPS hands its filters and backends its folders.
    if (variableSet("CUPS_SERVERROOT") || variableSet("CUPS_SERVERBIN")) return true;
    // CUPS runs a backend that every user may read as lp.
    if (const passwd* lp = ::getpwnam("lp"); lp != nullptr && lp->pw_uid == ::geteuid()) return true;
    // systemd gives every service run an id. A terminal's shell may inherit one from the
    // desktop's own services, so a program run from a terminal is not taken for a service.
    return variableSet("INVOCATION_ID") && ::isatty(STDIN_FILENO) == 0 && ::isatty(STDERR_FILENO) == 0;
}

ServerSettings ServerSettings::load(const NetworkOverride& chosen) {
    return load(startedByService() ? SettingsFiles::systemOnly() : SettingsFiles::standard(), chosen);
}

ServerSettings ServerSettings::load(const SettingsFiles& files, const NetworkOverride& chosen) {
    ServerSettings result;
    std::vector<std::string> paths;
    for (const auto& file : files.files()) paths.push_back(file.path.string());
    result.source = joined(paths, ", then ");

    StackSettings settings = StackSettings::load(files);
    settings.apply(chosen);
    settings.remembersAddress = false;
    if (!settings.networkProblem.empty()) {
        // As the other reasons for no network are said (a file that cannot be read among them).
        result.problem = "no AppleTalk network: " + settings.networkProblem;
        return result;
    }
    if (!settings.problems.empty()) {
        // A value the stack would ignore leaves a server on a network nobody chose.
        result.problem = result.source + ": " + joined(settings.problems, "; ");
        return result;
    }
    if (!settings.linkChosen) {
        result.problem = whyNoNetwork(files);
        return result;
    }
    result.settings = std::move(settings);
    return result;
}

} // namespace appletalk::runtime
