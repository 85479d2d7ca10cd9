// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/PasswdCommand.h"

#include "appletalk/afp/server/auth/Secret.h"
#include "appletalk/afp/server/auth/UserFile.h"
#include "text/MacRoman.h"
#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/commands/PasswordPrompt.h"
#include "tools/vidur/output/TerminalText.h"

#include <optional>

#include <unistd.h>

namespace vidur::cli {

namespace {

using appletalk::afp::UserFile;
using appletalk::afp::wipe;
using appletalk::afp::Wiped;

std::optional<std::string> askTerminal(const std::string& user, CommandIo& io, std::string& problem) {
    EchoOff echoOff;
    io.err << "Password for " << user << ": " << std::flush;
    auto first = readStandardInputLine();
    io.err << "Again: " << std::flush;
    auto second = readStandardInputLine();
    Wiped<std::string> keepFirst(first ? std::move(*first) : std::string());
    Wiped<std::string> keepSecond(second ? std::move(*second) : std::string());
    if (!first || !second) {
        problem = "no password given";
        return std::nullopt;
    }
    if (keepFirst.get() != keepSecond.get()) {
        problem = "the two passwords differ";
        return std::nullopt;
    }
    return keepFirst.get();
}

} // namespace

std::string PasswdCommand::details() const {
    return std::string("The file is ") + appletalk::afp::kDefaultUsersFile +
           " unless --file names another; it is written with mode 0600\n"
           "and vidur share refuses to read it when its group or others may. The password (at most 8\n"
           "bytes in Mac OS Roman, what the random-number logins carry) is asked twice on the terminal\n"
           "with echo off, or read as one line of standard input. Exit status 2 with the reason when\n"
           "the password is not set.\n";
}

std::vector<OptionSpec> PasswdCommand::options() const { return {{"file", "FILE", "the users file to change"}}; }

int PasswdCommand::run(const ParsedArguments& arguments, CommandIo& io) {
    const std::string file = arguments.value("file").value_or(appletalk::afp::kDefaultUsersFile);
    const std::string& userUtf8 = arguments.positionals().front();
    const auto user = text::utf8ToMacRoman(userUtf8);
    auto fail = [&io](const std::string& reason) {
        io.err << "vidur passwd: " << escapeControls(reason) << std::endl;
        return kExitError;
    };
    if (!user.lossless) return fail("the user name has characters outside Mac OS Roman");

    std::string problem;
    std::optional<std::string> typed;
    if (::isatty(STDIN_FILENO) != 0) {
        typed = askTerminal(escapeControls(userUtf8), io, problem);
    } else {
        typed = readStandardInputLine();
        if (!typed) problem = "no password on standard input";
    }
    if (!typed) return fail(problem);
    Wiped<std::string> passwordUtf8(std::move(*typed));
    auto converted = text::utf8ToMacRoman(passwordUtf8.get());
    Wiped<std::string> password(std::move(converted.macRoman));
    if (!converted.lossless) return fail("the password has characters outside Mac OS Roman");

    if (!UserFile::store(file, user.macRoman, password.get(), problem)) return fail(problem);
    io.out << "vidur passwd: password set for " << escapeControls(userUtf8) << " in " << escapeControls(file)
           << std::endl;
    return kExitSuccess;
}

} // namespace vidur::cli
