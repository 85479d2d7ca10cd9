// SPDX-License-Identifier: MIT
#include "tools/vidur/cli/LibrarySettingsCheck.h"

#include "appletalk/runtime/StackSettings.h"
#include "appletalk/sim/Scenario.h"

namespace vidur::cli {

std::optional<std::string> LibrarySettingsCheck::problem() {
    const auto settings = appletalk::runtime::StackSettings::load();
    if (!settings.networkProblem.empty()) return settings.networkProblem;
    if (settings.link == appletalk::runtime::LinkKind::Sim && !settings.scenarioPath.empty()) {
        // The settings check only that the file opens; a fault inside it is told here, with
        // the place that named it, as the simulator would refuse it.
        appletalk::sim::ScenarioError error;
        if (!appletalk::sim::Scenario::load(settings.scenarioPath, error))
            return settings.scenarioSource + ": " + error.describe();
    }
    return std::nullopt;
}

} // namespace vidur::cli
