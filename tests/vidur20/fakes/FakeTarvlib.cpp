// SPDX-License-Identifier: MIT
// The library's network functions, answered from the scripts of FakeAppleTalk.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "FakeAppleTalk.h"

namespace {

std::string field(const char* bytes) { return {bytes, ::strnlen(bytes, NBP_NAME_FIELD_SIZE)}; }

std::string entityText(const _NBPEntityName& name) {
    return field(name.object) + ":" + field(name.type) + "@" + field(name.zone);
}

std::string numbers(std::initializer_list<long> values) {
    std::string out;
    for (long v : values) {
        if (!out.empty()) out += ", ";
        out += std::to_string(v);
    }
    return out;
}

void storeZone(char* out, const std::string& zone) {
    const std::size_t length = zone.size() < NBP_NAME_FIELD_SIZE - 1 ? zone.size() : NBP_NAME_FIELD_SIZE - 1;
    std::memcpy(out, zone.data(), length);
    out[length] = '\0';
}

} // namespace

using Lock = std::lock_guard<std::recursive_mutex>;

struct FakeAppleTalkLibrary {
    static FakeAppleTalk& fake() { return FakeAppleTalk::instance(); }

    static FakeAppleTalk::OpenEnum* find(ATEnumHandle handle, bool isZone) {
        auto& open = fake().m_open;
        auto it = open.find(handle);
        return (it == open.end() || it->second.isZone != isZone) ? nullptr : &it->second;
    }

    template <typename Script>
    static ATEnumHandle open(Script&& script, bool isZone) {
        FakeAppleTalk::OpenEnum e;
        e.isZone = isZone;
        e.statuses = script.statuses.empty() ? std::vector<int>{ENUM_COMPLETE} : script.statuses;
        e.countResult = script.countResult;
        const ATEnumHandle handle = fake().m_nextHandle++;
        fake().m_open.emplace(handle, std::move(e));
        return handle;
    }

    static int status(const char* name, ATEnumHandle handle, bool isZone) {
        Lock lock(fake().m_mutex);
        int result = FakeAppleTalk::kFailure;
        if (auto* e = find(handle, isZone)) {
            if (e->forcedStatus) {
                result = *e->forcedStatus;
            } else {
                const std::size_t i = e->polls < e->statuses.size() ? e->polls : e->statuses.size() - 1;
                result = e->statuses[i];
            }
            ++e->polls;
        }
        fake().record(name, numbers({static_cast<long>(handle)}), result);
        return result;
    }

    static int count(const char* name, ATEnumHandle handle, uint16_t* out, bool isZone) {
        Lock lock(fake().m_mutex);
        int result = FakeAppleTalk::kFailure;
        auto* e = find(handle, isZone);
        if (e != nullptr && out != nullptr) {
            result = e->countResult;
            if (result == 0) *out = static_cast<uint16_t>(isZone ? e->zones.size() : e->found.size());
        }
        fake().record(name, numbers({static_cast<long>(handle)}), result);
        return result;
    }

    static int close(const char* name, ATEnumHandle handle, bool isZone) {
        Lock lock(fake().m_mutex);
        const int result = find(handle, isZone) != nullptr ? 0 : FakeAppleTalk::kFailure;
        if (result == 0) fake().m_open.erase(handle);
        fake().record(name, numbers({static_cast<long>(handle)}), result);
        return result;
    }
};

using L = FakeAppleTalkLibrary;

extern "C" int ZIPOpenEnum(ATEnumHandle* handle, int reserved) {
    Lock lock(L::fake().m_mutex);
    auto& scripts = L::fake().m_zoneScripts;
    int result = FakeAppleTalk::kFailure;
    if (handle != nullptr && !scripts.empty()) {
        FakeZoneEnum script = std::move(scripts.front());
        scripts.pop_front();
        result = script.openResult;
        if (result == 0) {
            *handle = L::open(script, true);
            L::find(*handle, true)->zones = std::move(script.zones);
        }
    }
    L::fake().record("ZIPOpenEnum", numbers({reserved}), result);
    return result;
}

extern "C" int ZIPEnumStatus(ATEnumHandle handle) { return L::status("ZIPEnumStatus", handle, true); }

extern "C" int ZIPZoneCount(ATEnumHandle handle, uint16_t* count) {
    return L::count("ZIPZoneCount", handle, count, true);
}

extern "C" int ZIPReadEnum(ATEnumHandle handle, uint16_t index, char* zone) {
    Lock lock(L::fake().m_mutex);
    int result = FakeAppleTalk::kFailure;
    auto* e = L::find(handle, true);
    if (e != nullptr && zone != nullptr && index < e->zones.size()) {
        storeZone(zone, e->zones[index]);
        result = 0;
    }
    L::fake().record("ZIPReadEnum", numbers({static_cast<long>(handle), index}), result);
    return result;
}

extern "C" int ZIPCloseEnum(ATEnumHandle handle) { return L::close("ZIPCloseEnum", handle, true); }

extern "C" int ZIPGetMyZone(char* zone) {
    Lock lock(L::fake().m_mutex);
    int result = zone == nullptr ? FakeAppleTalk::kFailure : L::fake().m_myZoneResult;
    if (result == 0) storeZone(zone, L::fake().m_myZone);
    L::fake().record("ZIPGetMyZone", "", result);
    return result;
}

extern "C" int NBPOpenEnum(ATEnumHandle* handle, int retryIntervalSeconds, int retryCount, int maxTuples,
                           const _NBPEntityName* name) {
    Lock lock(L::fake().m_mutex);
    auto& scripts = L::fake().m_lookupScripts;
    FakeLookupRequest request{retryIntervalSeconds, retryCount, maxTuples, {}, 0};
    if (name != nullptr) request.name = *name;
    int result = FakeAppleTalk::kFailure;
    if (handle != nullptr && name != nullptr && !scripts.empty()) {
        FakeLookup script = std::move(scripts.front());
        scripts.pop_front();
        result = script.openResult;
        if (result == 0) {
            *handle = request.handle = L::open(script, false);
            L::find(*handle, false)->found = std::move(script.found);
        }
    }
    L::fake().m_lookups.push_back(request);
    L::fake().record("NBPOpenEnum",
                     numbers({retryIntervalSeconds, retryCount, maxTuples}) + ", " +
                         (name != nullptr ? entityText(*name) : std::string("(null)")),
                     result);
    return result;
}

extern "C" int NBPEnumStatus(ATEnumHandle handle) { return L::status("NBPEnumStatus", handle, false); }

extern "C" int NBPFoundCount(ATEnumHandle handle, uint16_t* count) {
    return L::count("NBPFoundCount", handle, count, false);
}

extern "C" int NBPReadEnum(ATEnumHandle handle, uint16_t index, _NBPTuple* tuple) {
    Lock lock(L::fake().m_mutex);
    int result = FakeAppleTalk::kFailure;
    auto* e = L::find(handle, false);
    if (e != nullptr && tuple != nullptr && index < e->found.size()) {
        std::memcpy(tuple, &e->found[index], sizeof *tuple);
        result = 0;
    }
    L::fake().record("NBPReadEnum", numbers({static_cast<long>(handle), index}), result);
    return result;
}

extern "C" int NBPCloseEnum(ATEnumHandle handle) { return L::close("NBPCloseEnum", handle, false); }

extern "C" int PAPGetDefaultPrinter(_NBPTuple* printer) {
    Lock lock(L::fake().m_mutex);
    const auto& current = L::fake().m_defaultPrinter;
    int result = FakeAppleTalk::kFailure;
    if (printer != nullptr && current) {
        std::memcpy(printer, &*current, sizeof *printer);
        result = 0;
    }
    L::fake().record("PAPGetDefaultPrinter", "", result);
    return result;
}

extern "C" int PAPSetDefaultPrinter(const _NBPTuple* printer) {
    Lock lock(L::fake().m_mutex);
    int result = FakeAppleTalk::kFailure;
    if (printer != nullptr) {
        L::fake().m_setDefaultCalls.push_back(*printer);
        result = L::fake().m_setDefaultResult;
        if (result == 0) L::fake().m_defaultPrinter = *printer;
    }
    L::fake().record("PAPSetDefaultPrinter", printer != nullptr ? entityText(printer->entity) : "(null)", result);
    return result;
}

extern "C" int IsPostScriptPrinterType(const char* nbpType) {
    Lock lock(L::fake().m_mutex);
    int result = 0;
    if (nbpType != nullptr) {
        const auto& types = L::fake().m_postScriptTypes;
        auto it = types.find(nbpType);
        result = it != types.end() ? it->second : L::fake().m_postScriptDefault;
    }
    L::fake().record("IsPostScriptPrinterType", nbpType != nullptr ? nbpType : "(null)", result);
    return result;
}

extern "C" int MPPAlloc(_DispatchBlock** block, int reserved) {
    Lock lock(L::fake().m_mutex);
    int result = block == nullptr ? FakeAppleTalk::kFailure : L::fake().m_allocResult;
    if (result == 0) {
        *block = new _DispatchBlock{};
        L::fake().m_liveBlocks.push_back(*block);
    }
    L::fake().record("MPPAlloc", numbers({reserved}), result);
    return result;
}

extern "C" int MPPFree(_DispatchBlock* block) {
    Lock lock(L::fake().m_mutex);
    auto& live = L::fake().m_liveBlocks;
    auto it = std::find(live.begin(), live.end(), block);
    int result = FakeAppleTalk::kFailure; // unknown or already freed: refused, never freed twice
    if (it != live.end()) {
        delete *it;
        live.erase(it);
        result = 0;
    }
    L::fake().record("MPPFree", "", result);
    return result;
}

extern "C" int ATALKDispatch(_DispatchBlock* block) {
    Lock lock(L::fake().m_mutex);
    auto& fake = L::fake();
    if (block == nullptr) {
        fake.record("ATALKDispatch", "(null)", FakeAppleTalk::kFailure);
        return FakeAppleTalk::kFailure;
    }
    fake.m_dispatches.push_back({block, *block});
    int result = 0;
    if (!fake.m_dispatchResults.empty()) {
        result = fake.m_dispatchResults.front();
        fake.m_dispatchResults.pop_front();
    }
    char command[16];
    std::snprintf(command, sizeof command, "0x%04X", static_cast<unsigned>(block->command));
    fake.record("ATALKDispatch", command, result);
    if (result < 0) return result; // refused: the block is left as it was
    std::atomic_ref<int32_t>(block->result).store(1, std::memory_order_release);
    if (fake.m_dispatchHandler) fake.m_dispatchHandler(*block);
    return result;
}
