// SPDX-License-Identifier: MIT
// From process start to the Chooser's device list filled, on the embedded network, as a host
// opens it: the time a user waits with the wait cursor up. One measurement a process (the
// stack starts once a process); bench/scripts/chooser-startup.sh runs it several times and
// passes the launch time in VIDUR_BENCH_LAUNCHED_NS (CLOCK_REALTIME, as `date +%s%N`), so
// the dynamic loader and the process's own start count too.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "platform/ui/CListBox.h"
#include "platform/ui/UiDriver.h"
#include "vidur20/module/HVREntryPoints.h"
#include "vidur20/module/HVRWindowObserver.h"
#include "vidur20/res/ResourceIds.h"

namespace {

std::int64_t realtimeNs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Watches the Chooser from inside its modal loop until the look-up has filled the list (Stop
// Lookup off, the list on and not empty), notes the time, and cancels.
class FillWatcher : public HVRWindowObserver {
public:
    void WindowOpened(CWnd& window, HVRWindowKind kind) override {
        if (kind != HVRWindowKind::Chooser) return;
        CWnd* chooser = &window;
        UiDriver::Post([this, chooser] { watch(*chooser); });
    }
    void WindowClosed(CWnd&, HVRWindowKind) override {}

    std::int64_t filledNs = 0;
    int devices = 0;

private:
    void watch(CWnd& chooser) {
        auto* list = static_cast<CListBox*>(chooser.GetDlgItem(IDC_DEVICE_LIST));
        CWnd* stop = chooser.GetDlgItem(IDC_STOP_LOOKUP);
        const auto filled = [&] {
            return list && stop && !stop->IsWindowEnabled() && list->IsWindowEnabled() && list->GetCount() > 0;
        };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!filled() && std::chrono::steady_clock::now() < deadline) {
            UiDriver::ProcessEvents(0);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (filled()) {
            filledNs = realtimeNs();
            devices = list->GetCount();
        }
        UiDriver::ClickButton(chooser, IDCANCEL);
    }
};

} // namespace

int main() {
    const char* launched = std::getenv("VIDUR_BENCH_LAUNCHED_NS");
    const std::int64_t start = launched ? std::atoll(launched) : realtimeNs();
    FillWatcher watcher;
    HVRWindowObserver::Install(&watcher);
    _NBPTuple chosen{};
    HVRDeviceChooser(&chosen, 1, nullptr);
    HVRWindowObserver::Install(nullptr);
    if (watcher.devices == 0) {
        std::fprintf(stderr, "chooser_startup_bench: no device shown within 30 s\n");
        return 1;
    }
    std::printf("%.0f ms from process start to %d devices shown\n", static_cast<double>(watcher.filledNs - start) / 1e6,
                watcher.devices);
    return 0;
}
