// SPDX-License-Identifier: MIT
// The Chooser must list a whole zone list, and a whole look-up's devices, within the one
// 100 ms timer tick that sees the enumeration complete. Measures those two ticks of the real
// dialog (offscreen, shown) over the scripted library with 2,000 zones and 10,000 devices, and,
// as the baseline, Qt appending the same strings to a bare combo box and list widget.
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "FakeAppleTalk.h"
#include "platform/resources/ResourceChain.h"
#include "platform/ui/UiApplication.h"
#include "platform/ui/UiDriver.h"
#include "vidur20/chooser/ZChooserDialog.h"
#include "vidur20/res/ResourceIds.h"
#include "vidur20/res/Vidur20Resources.h"

namespace {

constexpr int kZones = 2000;
constexpr int kDevices = 10000;

// Names in shuffled order, so the sorted inserts land all over the list.
std::vector<std::string> ShuffledNames(const char* prefix, int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char name[NBP_NAME_FIELD_SIZE];
        std::snprintf(name, sizeof name, "%s %05d", prefix, i);
        names.emplace_back(name);
    }
    std::shuffle(names.begin(), names.end(), std::mt19937(229));
    return names;
}

const std::vector<std::string>& ZoneNames() {
    static const auto names = ShuffledNames("Building", kZones);
    return names;
}

const std::vector<_NBPTuple>& Devices() {
    static const std::vector<_NBPTuple> devices = [] {
        std::vector<_NBPTuple> out;
        int i = 0;
        for (const std::string& name : ShuffledNames("LaserWriter", kDevices)) {
            _NBPTuple t{};
            std::strncpy(t.entity.object, name.c_str(), NBP_NAME_FIELD_SIZE - 1);
            std::strncpy(t.entity.type, "LaserWriter", NBP_NAME_FIELD_SIZE - 1);
            t.address = {static_cast<uint16_t>(1000 + i / 200), static_cast<uint8_t>(1 + i % 200), 129};
            out.push_back(t);
            ++i;
        }
        return out;
    }();
    return devices;
}

// The item texts the dialog makes, for the baseline.
const std::vector<std::string>& DeviceItems() {
    static const std::vector<std::string> items = [] {
        std::vector<std::string> out;
        char item[256];
        for (const _NBPTuple& t : Devices()) {
            std::snprintf(item, sizeof item, "%s\t%s\t%u %u %u", t.entity.object, t.entity.type, t.address.network,
                          t.address.nodeID, t.address.socket);
            out.emplace_back(item);
        }
        return out;
    }();
    return items;
}

// The process-wide set-up: an offscreen application, the library's resources, and a private
// profile folder for the packages' recent lists.
class Environment {
public:
    Environment() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        std::string pattern = (std::filesystem::temp_directory_path() / "vidur-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        profile_ = pattern;
        setenv("VIDUR_PROFILE_DIR", profile_.c_str(), 1);
        EnsureUiApplication();
        ResourceChain::instance().addModule(Vidur20ResourceModule());
        ResourceChain::instance().setLanguageOverride(kLangEnglishUS);
    }
    ~Environment() {
        std::error_code ignored;
        std::filesystem::remove_all(profile_, ignored);
    }

private:
    std::string profile_;
};

void EnsureEnvironment() { static Environment environment; }

class BenchChooser : public ZChooserDialog {
public:
    BenchChooser() : ZChooserDialog(kOfferPrinters) {}
    void Tick() { UiDriver::FireTimer(*this, kTimerID); }
    int ZoneCount() { return static_cast<CComboBox*>(GetDlgItem(IDC_ZONE_BOX))->GetCount(); }
    int DeviceCount() { return static_cast<CListBox*>(GetDlgItem(IDC_DEVICE_LIST))->GetCount(); }
};

void ScriptLibrary(int zones, int devices) {
    auto& fake = FakeAppleTalk::instance();
    fake.reset();
    fake.setPostScriptDefault(1);
    FakeZoneEnum zoneScript;
    zoneScript.zones.assign(ZoneNames().begin(), ZoneNames().begin() + zones);
    fake.scriptZoneEnum(std::move(zoneScript));
    fake.setMyZone(0, ZoneNames().front());
    FakeLookup lookup;
    lookup.found.assign(Devices().begin(), Devices().begin() + devices);
    fake.scriptLookup(std::move(lookup));
}

// Times the one tick of a real Chooser that comes after `ticksBefore` untimed ticks, over the
// library scripted with `zones` zones and `devices` devices; `filled` says whether the tick did
// its work.
template <typename Filled>
void TimeChooserTick(benchmark::State& state, int zones, int devices, int ticksBefore, Filled filled) {
    EnsureEnvironment();
    for (auto _ : state) {
        state.PauseTiming();
        ScriptLibrary(zones, devices);
        BenchChooser chooser;
        chooser.Create(IDD_CHOOSER);
        for (int i = 0; i < ticksBefore; ++i) chooser.Tick();
        UiDriver::ProcessEvents();
        state.ResumeTiming();
        chooser.Tick();
        state.PauseTiming();
        if (!filled(chooser)) state.SkipWithError("the tick left the box short");
        chooser.DestroyWindow();
        UiDriver::FlushDeletes();
        state.ResumeTiming();
    }
}

// The tick that sees the zone enumeration complete: 2,000 zones into the sorted zone box,
// the local zone selected, the first look-up opened.
void BM_ChooserZoneTick(benchmark::State& state) {
    TimeChooserTick(state, kZones, 0, 0, [](BenchChooser& chooser) { return chooser.ZoneCount() == kZones; });
}
BENCHMARK(BM_ChooserZoneTick)->Unit(benchmark::kMillisecond)->Iterations(20);

// The tick that sees the look-up complete (the one before reads the zones and opens it):
// 10,000 devices read, formatted and put into the sorted device list, the first selected.
void BM_ChooserLookupTick(benchmark::State& state) {
    TimeChooserTick(state, 1, kDevices, 1, [](BenchChooser& chooser) { return chooser.DeviceCount() == kDevices; });
}
BENCHMARK(BM_ChooserLookupTick)->Unit(benchmark::kMillisecond)->Iterations(20);

// Baselines: bare Qt widgets of the same kind given the same strings: appended unsorted;
// inserted one by one in sorted place with the same item data (Qt's own sorted insert for
// the list; for the combo box, which has none, a binary search over its texts); appended
// unsorted and then sorted once.

// Times `fill` on a fresh widget, shown; making it (with `sorted` list sorting) and deleting
// it are not timed.
template <typename Widget, typename Fill>
void TimeFill(benchmark::State& state, Fill fill, bool sorted = false) {
    EnsureEnvironment();
    for (auto _ : state) {
        state.PauseTiming();
        auto* widget = new Widget;
        if constexpr (std::is_same_v<Widget, QListWidget>) widget->setSortingEnabled(sorted);
        widget->show();
        state.ResumeTiming();
        fill(*widget);
        state.PauseTiming();
        delete widget;
        state.ResumeTiming();
    }
}

// The device items, each with a number as item data (sorted in place when the list sorts).
void AddDeviceItems(QListWidget& list) {
    qulonglong data = 0;
    for (const std::string& item : DeviceItems()) {
        auto* entry = new QListWidgetItem(QString::fromLatin1(item.c_str()));
        entry->setData(Qt::UserRole, ++data);
        list.addItem(entry);
    }
}

void BM_QtComboAppendZones(benchmark::State& state) {
    TimeFill<QComboBox>(state, [](QComboBox& box) {
        for (const std::string& zone : ZoneNames()) box.addItem(QString::fromLatin1(zone.c_str()));
    });
}
BENCHMARK(BM_QtComboAppendZones)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_QtListAppendDevices(benchmark::State& state) {
    TimeFill<QListWidget>(state, [](QListWidget& list) {
        for (const std::string& item : DeviceItems()) list.addItem(QString::fromLatin1(item.c_str()));
    });
}
BENCHMARK(BM_QtListAppendDevices)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_QtListSortedInsertDevices(benchmark::State& state) {
    TimeFill<QListWidget>(
        state,
        [](QListWidget& list) {
            AddDeviceItems(list);
            list.setCurrentRow(0);
        },
        true);
}
BENCHMARK(BM_QtListSortedInsertDevices)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_QtListSortOnceDevices(benchmark::State& state) {
    TimeFill<QListWidget>(state, [](QListWidget& list) {
        AddDeviceItems(list);
        list.sortItems();
        list.setCurrentRow(0);
    });
}
BENCHMARK(BM_QtListSortOnceDevices)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_QtComboSortedInsertZones(benchmark::State& state) {
    TimeFill<QComboBox>(state, [](QComboBox& box) {
        for (const std::string& zone : ZoneNames()) {
            const QString text = QString::fromLatin1(zone.c_str());
            int low = 0;
            int high = box.count();
            while (low < high) {
                const int middle = (low + high) / 2;
                if (QString::compare(text, box.itemText(middle), Qt::CaseInsensitive) < 0)
                    high = middle;
                else
                    low = middle + 1;
            }
            box.insertItem(low, text, 0ULL);
        }
    });
}
BENCHMARK(BM_QtComboSortedInsertZones)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_QtComboSortOnceZones(benchmark::State& state) {
    TimeFill<QComboBox>(state, [](QComboBox& box) {
        QStringList texts;
        texts.reserve(static_cast<qsizetype>(ZoneNames().size()));
        for (const std::string& zone : ZoneNames()) texts.push_back(QString::fromLatin1(zone.c_str()));
        texts.sort(Qt::CaseInsensitive);
        box.addItems(texts);
    });
}
BENCHMARK(BM_QtComboSortOnceZones)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
