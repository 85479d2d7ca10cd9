// SPDX-License-Identifier: MIT
#include "tools/vidur/commands/WindowModule.h"

#include "tools/vidur/cli/ExitStatus.h"
#include "tools/vidur/cli/Version.h"
#include "tools/vidur/commands/WindowModuleEntry.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

namespace vidur::cli {

namespace {

namespace fs = std::filesystem;

struct LoadedModule {
    WindowModuleRun run = nullptr;
    std::string problem; // why there is none
};

std::vector<fs::path> candidates() {
    if (const char* chosen = ::secure_getenv("VIDUR_WINDOWS_MODULE"); chosen && *chosen) return {chosen};
    std::vector<fs::path> paths;
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path folder = program.parent_path();
        paths.push_back(folder / kWindowModuleFile);
        paths.push_back(folder / ".." / VIDUR_INSTALL_LIBDIR / "vidur20" / kWindowModuleFile);
    }
    paths.push_back(VIDUR_WINDOWS_MODULE_PATH);
    return paths;
}

// Never unloaded: the commands it runs leave objects of its own behind (the windows library's
// state) until the process ends.
LoadedModule load() {
    for (const fs::path& path : candidates()) {
        std::error_code error;
        if (!fs::exists(path, error)) continue;
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) return {nullptr, ::dlerror()};
        const auto release = reinterpret_cast<WindowModuleRelease>(::dlsym(handle, kWindowModuleReleaseFunction));
        const auto run = reinterpret_cast<WindowModuleRun>(::dlsym(handle, kWindowModuleRunFunction));
        if (release == nullptr || run == nullptr) return {nullptr, path.string() + " is not vidur's windows module"};
        if (std::string(release()) != kVersion)
            return {nullptr, path.string() + " is of release " + release() + ", this vidur of " + kVersion};
        return {run, {}};
    }
    return {nullptr, std::string(kWindowModuleFile) + " is not installed"};
}

const LoadedModule& loaded() {
    static const LoadedModule module = load();
    return module;
}

} // namespace

std::vector<OptionSpec> WindowModule::options() {
    return {{"screenshot", "PATH", "save a PNG of the window there"},
            {"offscreen", {}, "run the window offscreen even with a display, doing what a user would"},
            {"timeout", "S", "seconds to wait for the network offscreen (default 30)"}};
}

bool WindowModule::available() { return loaded().run != nullptr; }

int WindowModule::run(const std::string& command, const ParsedArguments& arguments, CommandIo& io) {
    const LoadedModule& module = loaded();
    if (module.run == nullptr) {
        io.err << "vidur " << command << ": this vidur has no windows (" << module.problem
               << "); the package vidur20-desktop brings them\n";
        return kExitError;
    }
    return module.run(command.c_str(), &arguments, &io);
}

} // namespace vidur::cli
