// SPDX-License-Identifier: MIT
#include "appletalk/print/PrinterDiscovery.h"

#include "appletalk/runtime/Stack.h"
#include "text/MacRoman.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <set>

namespace appletalk::print {

namespace {

using namespace std::chrono_literals;

// Each look-up is asked three times a second apart: the whole discovery takes about 3 s.
const appletalk::runtime::LookupParameters kLookup{1s, 2, 1024};
constexpr auto kZoneListWait = 10s;

} // namespace

Discovery discoverPrinters(const appletalk::runtime::StackSettings& settings) {
    Discovery discovery;
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<std::vector<std::string>> zones;
    std::size_t lookupsLeft = 0;
    std::set<std::tuple<std::string, std::string, std::string>> seen;

    appletalk::runtime::StackOptions options;
    options.firstStartWait = 20s;
    appletalk::runtime::Stack stack(settings, options);
    if (!stack.isOnline()) {
        discovery.problem = stack.problem();
        return discovery;
    }
    if (!stack.awaitFirstStart()) {
        discovery.problem = "the AppleTalk node did not start";
        return discovery;
    }
    discovery.online = true;
    const auto zoneList = stack.run([&] {
        return stack.network().zoneList([&](int status, std::vector<std::string> list) {
            std::lock_guard lock(mutex);
            // No router: one cable, whose zone is "*".
            zones = status < 0 || list.empty() ? std::vector<std::string>{"*"} : std::move(list);
            changed.notify_all();
        });
    });
    std::unique_lock lock(mutex);
    if (!changed.wait_for(lock, kZoneListWait, [&] { return zones.has_value(); })) {
        lock.unlock();
        stack.run([&] { stack.network().cancel(zoneList); });
        discovery.problem = "no zone list";
        return discovery;
    }
    const std::vector<std::string> asked = *zones;
    std::vector<appletalk::runtime::OperationId> lookups;
    lookupsLeft = asked.size() * settings.postScriptTypes.size();
    lock.unlock();
    for (const std::string& zone : asked) {
        for (const std::string& type : settings.postScriptTypes) {
            const appletalk::nbp::NbpName pattern{"=", type, zone};
            lookups.push_back(stack.run([&, zone] {
                return stack.network().lookup(
                    pattern, kLookup,
                    [&, zone](const appletalk::nbp::NbpTuple& tuple) {
                        std::lock_guard inner(mutex);
                        const std::string where = zone == "*" && tuple.name.zone != "*" ? tuple.name.zone : zone;
                        if (seen.insert({where, tuple.name.object, tuple.name.type}).second)
                            discovery.printers.push_back({{tuple.name.object, tuple.name.type, where}});
                    },
                    [&](int) {
                        std::lock_guard inner(mutex);
                        --lookupsLeft;
                        changed.notify_all();
                    });
            }));
        }
    }
    lock.lock();
    changed.wait(lock, [&] { return lookupsLeft == 0; });
    lock.unlock();
    std::sort(discovery.printers.begin(), discovery.printers.end(), [](const auto& a, const auto& b) {
        return std::tie(a.name.zone, a.name.object) < std::tie(b.name.zone, b.name.object);
    });
    return discovery;
}

} // namespace appletalk::print
