// SPDX-License-Identifier: MIT
#include "RealDisplay.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>

extern char** environ;

namespace vidur::cli::testing {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> list;
    for (auto& text : strings) list.push_back(text.data());
    list.push_back(nullptr);
    return list;
}

// The test's environment with DISPLAY set to the server.
std::vector<std::string> environmentFor(const std::string& display) {
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (std::strncmp(*entry, "DISPLAY=", 8) != 0) merged.emplace_back(*entry);
    merged.push_back("DISPLAY=" + display);
    return merged;
}

// Runs a program to its end and answers its standard output; empty when it failed.
std::string runTool(std::vector<std::string> argv, const std::string& display) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return {};
    std::vector<std::string> envp = environmentFor(display);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    auto args = pointers(argv);
    auto env = pointers(envp);
    pid_t pid = -1;
    const bool spawned = ::posix_spawnp(&pid, argv[0].c_str(), &actions, nullptr, args.data(), env.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string text;
    if (spawned) {
        char buffer[65536];
        for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) != 0;) {
            if (got > 0)
                text.append(buffer, static_cast<std::size_t>(got));
            else if (errno != EINTR)
                break;
        }
    }
    ::close(out[0]);
    int status = 0;
    if (spawned) ::waitpid(pid, &status, 0);
    return spawned && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : std::string();
}

template <typename Visit>
void forEachPixel(const Screenshot& shot, const ScreenRect& rect, Visit visit) {
    for (int y = std::max(0, rect.y); y < std::min(shot.height, rect.y + rect.height); ++y)
        for (int x = std::max(0, rect.x); x < std::min(shot.width, rect.x + rect.width); ++x) visit(x, y);
}

} // namespace

double Screenshot::blackShare(const ScreenRect& rect) const {
    int all = 0, black = 0;
    forEachPixel(*this, rect, [&](int x, int y) {
        ++all;
        if (at(x, y) == 0) ++black;
    });
    return all ? static_cast<double>(black) / all : 0.0;
}

int Screenshot::colourCount(const ScreenRect& rect) const {
    std::set<std::uint32_t> colours;
    forEachPixel(*this, rect, [&](int x, int y) { colours.insert(at(x, y)); });
    return static_cast<int>(colours.size());
}

int Screenshot::differences(const Screenshot& other, const ScreenRect& rect) const {
    if (other.width != width || other.height != height) return rect.width * rect.height;
    int count = 0;
    forEachPixel(*this, rect, [&](int x, int y) { count += at(x, y) != other.at(x, y) ? 1 : 0; });
    return count;
}

RealDisplay::RealDisplay(LastClient lastClient) {
    // Xvfb picks a free display number itself and writes it to the descriptor once it
    // accepts clients.
    int ready[2];
    if (::pipe(ready) != 0) {
        failure_ = "no pipe";
        return;
    }
    std::vector<std::string> argv{
        "Xvfb",      "-displayfd", std::to_string(ready[1]),
        "-screen",   "0",          "1024x768x24",
        "-nolisten", "tcp",        lastClient == LastClient::EndsServer ? "-terminate" : "-noreset"};
    std::vector<std::string> envp;
    for (char** entry = environ; *entry != nullptr; ++entry) envp.emplace_back(*entry);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, ready[0]);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    auto args = pointers(argv);
    auto env = pointers(envp);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, "Xvfb", &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(ready[1]);
    if (spawned != 0) {
        ::close(ready[0]);
        failure_ = "Xvfb is not installed (scripts/install-deps.sh installs it)";
        return;
    }
    std::string number;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (number.find('\n') == std::string::npos && Clock::now() < deadline) {
        pollfd fd{ready[0], POLLIN, 0};
        if (::poll(&fd, 1, 200) <= 0) continue;
        char buffer[32];
        const ssize_t got = ::read(ready[0], buffer, sizeof buffer);
        if (got <= 0) break;
        number.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(ready[0]);
    if (number.find('\n') == std::string::npos) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        failure_ = "Xvfb did not start";
        return;
    }
    pid_ = pid;
    name_ = ":" + number.substr(0, number.find('\n'));
}

RealDisplay::~RealDisplay() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}

std::string RealDisplay::xdotool(const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runTool(argv, name_);
}

unsigned long RealDisplay::findWindow(const std::string& title) const {
    // xdotool's --sync blocks until the window is there; timeout bounds the wait.
    const std::string found =
        runTool({"timeout", "30", "xdotool", "search", "--sync", "--onlyvisible", "--name", "^" + title + "$"}, name_);
    return found.empty() ? 0 : std::stoul(found);
}

ScreenRect RealDisplay::geometry(unsigned long window) const {
    std::istringstream lines(xdotool({"getwindowgeometry", "--shell", std::to_string(window)}));
    ScreenRect rect;
    for (std::string line; std::getline(lines, line);) {
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals);
        const int value = std::atoi(line.c_str() + equals + 1);
        if (key == "X")
            rect.x = value;
        else if (key == "Y")
            rect.y = value;
        else if (key == "WIDTH")
            rect.width = value;
        else if (key == "HEIGHT")
            rect.height = value;
    }
    return rect;
}

void RealDisplay::key(const std::string& name) const { xdotool({"key", name}); }

void RealDisplay::click(int x, int y) const {
    xdotool({"mousemove", "--sync", std::to_string(x), std::to_string(y)});
    xdotool({"click", "1"});
}

// One GetImage of the root window: what the server shows, every window as it lies. (xwd and
// import compose the root from each window read apart when windows have colour maps of their
// own, as Qt's do, and then show a list that opened over its dialog as a black square.)
Screenshot RealDisplay::screenshot() const {
    Screenshot shot;
    xcb_connection_t* connection = xcb_connect(name_.c_str(), nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return shot;
    }
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
    int bitsPerPixel = 0;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == screen->root_depth) bitsPerPixel = it.data->bits_per_pixel;
    xcb_get_image_reply_t* reply =
        xcb_get_image_reply(connection,
                            xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0,
                                          screen->width_in_pixels, screen->height_in_pixels, ~0u),
                            nullptr);
    const std::size_t pixelBytes = static_cast<std::size_t>(bitsPerPixel) / 8;
    const int width = screen->width_in_pixels;
    const int height = screen->height_in_pixels;
    if (reply && (pixelBytes == 3 || pixelBytes == 4) && setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST) {
        const unsigned char* data = xcb_get_image_data(reply);
        const std::size_t line = static_cast<std::size_t>(xcb_get_image_data_length(reply)) / height;
        shot.width = width;
        shot.height = height;
        shot.pixels.resize(static_cast<std::size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const unsigned char* p = data + line * y + pixelBytes * x;
                shot.pixels[static_cast<std::size_t>(y) * width + x] = p[0] | (p[1] << 8) | (p[2] << 16);
            }
    }
    std::free(reply);
    xcb_disconnect(connection);
    return shot;
}

} // namespace vidur::cli::testing
