// SPDX-License-Identifier: MIT
// The subcommands of `vidur` by name, and the one place that turns argv into a run: it
// shows help, reports bad usage on one line with status 2, applies --network before the
// library is first used, and runs the subcommand. Another part of the product adds its own
// subcommands (the windows) with add(); adding a name again replaces the earlier command.
#pragma once

#include "tools/vidur/cli/Command.h"
#include "tools/vidur/cli/CommandIo.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vidur::cli {

class CommandRegistry {
public:
    void add(std::unique_ptr<Command> command);
    Command* find(const std::string& name) const;
    // In the order they were added.
    std::vector<const Command*> commands() const;

    // `arguments` without the program name. Returns the exit status.
    int run(const std::vector<std::string>& arguments, CommandIo& io) const;

    std::string overview() const;

    // Run after --network is applied and before a command that reads the library's settings:
    // what is wrong with them, which ends the run with status 2. The program installs
    // LibrarySettingsCheck; without one nothing is checked.
    using SettingsCheck = std::function<std::optional<std::string>()>;
    void setSettingsCheck(SettingsCheck check) { settingsCheck_ = std::move(check); }

private:
    int runCommand(Command& command, const std::vector<std::string>& arguments, CommandIo& io) const;
    // `vidur --network X COMMAND ...`: the command gets the option.
    int runNetworkFirst(const std::vector<std::string>& arguments, CommandIo& io) const;

    std::vector<std::unique_ptr<Command>> commands_;
    SettingsCheck settingsCheck_;
};

} // namespace vidur::cli
