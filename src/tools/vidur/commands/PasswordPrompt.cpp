// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/PasswordPrompt.h"

#include <termios.h>
#include <unistd.h>

namespace vidur::cli {

namespace {

// Longer than any password the AFP logins carry, so a long one is refused with its reason
// rather than cut.
constexpr std::size_t kMaxLineBytes = 1024;

// The terminal's settings before echo went off, for the signal handler too.
termios savedTerminal{};

// Ctrl-C at the prompt must not leave the shell without echo: put it back, then die of the
// signal as before (tcsetattr and raise are safe in a handler).
extern "C" void restoreEchoAndDie(int number) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    ::signal(number, SIG_DFL);
    ::raise(number);
}

} // namespace

std::optional<std::string> readStandardInputLine() {
    std::string line;
    char byte = 0;
    ssize_t got = 0;
    while ((got = ::read(STDIN_FILENO, &byte, 1)) == 1 && byte != '\n')
        if (line.size() < kMaxLineBytes) line += byte;
    byte = 0;
    if (got < 0 || (got == 0 && line.empty())) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

EchoOff::EchoOff() {
    if (::tcgetattr(STDIN_FILENO, &savedTerminal) != 0) return;
    termios quiet = savedTerminal;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    quiet.c_lflag |= ECHONL;
    for (std::size_t i = 0; i < kSignals.size(); ++i) previous_[i] = ::signal(kSignals[i], restoreEchoAndDie);
    active_ = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
}

EchoOff::~EchoOff() {
    if (active_) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        if (previous_[i] != SIG_ERR) ::signal(kSignals[i], previous_[i]);
}

std::optional<std::string> askWithoutEcho(const std::string& prompt, CommandIo& io) {
    EchoOff echoOff;
    io.err << prompt << std::flush;
    return readStandardInputLine();
}

} // namespace vidur::cli
