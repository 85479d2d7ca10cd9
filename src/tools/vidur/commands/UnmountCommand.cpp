// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/UnmountCommand.h"

#include "tools/mount/MountTable.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/output/TerminalText.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <unistd.h>

namespace vidur::cli {

namespace fs = std::filesystem;

std::string UnmountCommand::details() const {
    return "DIR is a folder a `vidur mount` serves; its held writes are sent, the forks closed and\n"
           "the session logged out before the mount's process ends. The answer is fusermount3's.\n"
           "Exit status 2 when DIR is not a vidur mount.\n";
}

int UnmountCommand::run(const ParsedArguments& arguments, CommandIo& io) {
    const std::string given = arguments.positionals().front();
    fs::path path = fs::absolute(given).lexically_normal();
    if (path.filename().empty()) path = path.parent_path();
    // Not the folder itself: a mount whose server is gone answers it with an error.
    std::error_code error;
    const fs::path parent = fs::canonical(path.parent_path(), error);
    if (!error) path = parent / path.filename();
    if (error || !vidur::mount::MountTable::isOurs(path.string())) {
        io.err << "vidur unmount: " << escapeControls(given) << " is not a vidur mount" << std::endl;
        return kExitError;
    }
    io.out.flush();
    io.err.flush();
    ::execlp("fusermount3", "fusermount3", "-u", path.c_str(), static_cast<char*>(nullptr));
    io.err << "vidur unmount: cannot run fusermount3: " << std::strerror(errno) << std::endl;
    return kExitError;
}

} // namespace vidur::cli
