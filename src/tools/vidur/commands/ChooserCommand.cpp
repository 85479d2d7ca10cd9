// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/ChooserCommand.h"

#include "tools/vidur/commands/WindowModule.h"

namespace vidur::cli {

std::string ChooserCommand::details() const {
    return "N: 1 printers, 2 file servers, 3 both (default). Offscreen (--offscreen, or no DISPLAY\n"
           "or WAYLAND_DISPLAY) the first device found is chosen, as a user would, and a PNG of the\n"
           "window is saved (vidur-chooser.png in the current folder unless --screenshot says).\n"
           "Choosing an AppleShare server (AFPServer) goes on as a Mac does: a connect window (guest\n"
           "or registered user), then the server's volumes with check boxes; each checked volume is\n"
           "mounted by `vidur mount` on ~/AppleShare/VOLUME (--mount-dir DIR: DIR/VOLUME), and\n"
           "\"mounted VOLUME on DIR\" or the reason is printed. Offscreen the guest login is taken\n"
           "when offered and every volume is checked.\n"
           "Exit status: the dialog's end code: 1 chosen, 2 cancelled or nothing found (also OK on\n"
           "an empty list), 255 no window could be made; 2 also for bad usage. For an AppleShare\n"
           "server: 1 every checked volume mounted, 2 a window cancelled or the server unreachable\n"
           "or refusing, 3 a checked volume not mounted.\n";
}

std::vector<OptionSpec> ChooserCommand::options() const {
    std::vector<OptionSpec> all{
        {"flags", "N", "device classes to offer: bit 0 printers, bit 1 file servers"},
        {"mount-dir", "DIR", "mount an AppleShare server's volumes in DIR (default ~/AppleShare)"}};
    for (OptionSpec& option : WindowModule::options()) all.push_back(std::move(option));
    return all;
}

int ChooserCommand::run(const ParsedArguments& arguments, CommandIo& io) {
    return WindowModule::run(name(), arguments, io);
}

} // namespace vidur::cli
