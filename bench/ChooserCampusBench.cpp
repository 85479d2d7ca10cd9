// SPDX-License-Identifier: MIT
// The Chooser's look-up tick over the real library and a simulated campus: the client on an
// extended network whose zone holds a thousand LaserWriters on every number of its range.
// Each iteration opens a Chooser, lets its zone list and its look-up run (untimed), and times
// the one 100 ms tick that sees the look-up complete: a thousand tuples read from the stack,
// formatted and put into the sorted device list.
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/resources/ResourceChain.h"
#include "platform/ui/CListBox.h"
#include "platform/ui/UiApplication.h"
#include "platform/ui/UiDriver.h"
#include "tarvlib/TarvlibApi.h"
#include "vidur20/chooser/ZChooserDialog.h"
#include "vidur20/res/ResourceIds.h"
#include "vidur20/res/Vidur20Resources.h"

namespace {

constexpr int kDevices = 1000;

// An offscreen application, the library's resources, a private profile folder and the
// campus scenario as the library's network, all before the library's first use.
class Campus {
public:
    Campus() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        std::string pattern = (std::filesystem::temp_directory_path() / "vidur-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        folder_ = pattern;
        std::string scenario = "client_network = 100\n[[network]]\nrange = [100, 120]\nzones = [\"Campus\"]\n";
        for (int i = 1; i <= kDevices; ++i)
            scenario += "[[printer]]\nname = \"Laser " + std::to_string(i) + "\"\nzone = \"Campus\"\n";
        const std::string file = folder_ + "/campus.toml";
        std::ofstream(file) << scenario;
        setenv("VIDUR_PROFILE_DIR", folder_.c_str(), 1);
        setenv("VIDUR_NETWORK", ("sim:" + file).c_str(), 1);
        EnsureUiApplication();
        ResourceChain::instance().addModule(Vidur20ResourceModule());
        ResourceChain::instance().setLanguageOverride(kLangEnglishUS);
    }
    ~Campus() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

private:
    std::string folder_;
};

class BenchChooser : public ZChooserDialog {
public:
    BenchChooser() : ZChooserDialog(kOfferPrinters) {}
    void Tick() { UiDriver::FireTimer(*this, kTimerID); }
    bool LookupOpen() const { return m_hNbpEnum != 0; }
    bool LookupComplete() const { return m_hNbpEnum != 0 && NBPEnumStatus(m_hNbpEnum) != 1; }
    int DeviceCount() { return static_cast<CListBox*>(GetDlgItem(IDC_DEVICE_LIST))->GetCount(); }
};

// Waits (untimed) until `done`, ticking as the dialog's timer would when `tick` says so, with
// a short rest between.
template <typename Done>
bool WaitFor(BenchChooser& chooser, bool tick, Done done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        if (tick) chooser.Tick();
        UiDriver::ProcessEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void BM_ChooserLookupTickOfACampusZone(benchmark::State& state) {
    static Campus campus;
    for (auto _ : state) {
        state.PauseTiming();
        BenchChooser chooser;
        chooser.Create(IDD_CHOOSER);
        // The zone list's tick opens the look-up; the stack completes it on its own thread,
        // and no tick may see that before the timed one.
        const bool ready = WaitFor(chooser, true, [&] { return chooser.LookupOpen(); }) &&
                           WaitFor(chooser, false, [&] { return chooser.LookupComplete(); });
        state.ResumeTiming();
        chooser.Tick();
        state.PauseTiming();
        if (!ready || chooser.DeviceCount() != kDevices)
            state.SkipWithError(("the tick listed " + std::to_string(chooser.DeviceCount()) + " devices").c_str());
        chooser.DestroyWindow();
        UiDriver::FlushDeletes();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ChooserLookupTickOfACampusZone)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
