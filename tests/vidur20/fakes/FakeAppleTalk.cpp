// SPDX-License-Identifier: MIT
#include "FakeAppleTalk.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

using Lock = std::lock_guard<std::recursive_mutex>;

FakeAppleTalk& FakeAppleTalk::instance() {
    static FakeAppleTalk fake;
    return fake;
}

FakeAppleTalk::~FakeAppleTalk() { freeAllBlocks(); }

void FakeAppleTalk::freeAllBlocks() {
    for (_DispatchBlock* block : m_liveBlocks) delete block;
    m_liveBlocks.clear();
}

void FakeAppleTalk::reset() {
    Lock lock(m_mutex);
    freeAllBlocks();
    m_zoneScripts.clear();
    m_lookupScripts.clear();
    m_open.clear();
    m_nextHandle = 1;
    m_lookups.clear();
    m_myZoneResult = kFailure;
    m_myZone.clear();
    m_defaultPrinter.reset();
    m_setDefaultResult = 0;
    m_setDefaultCalls.clear();
    m_postScriptTypes.clear();
    m_postScriptDefault = 0;
    m_allocResult = 0;
    m_dispatchResults.clear();
    m_dispatchHandler = nullptr;
    m_dispatches.clear();
    m_calls.clear();
}

void FakeAppleTalk::scriptZoneEnum(FakeZoneEnum script) {
    Lock lock(m_mutex);
    m_zoneScripts.push_back(std::move(script));
}

void FakeAppleTalk::scriptLookup(FakeLookup script) {
    Lock lock(m_mutex);
    m_lookupScripts.push_back(std::move(script));
}

void FakeAppleTalk::setEnumStatus(ATEnumHandle handle, int status) {
    Lock lock(m_mutex);
    if (auto it = m_open.find(handle); it != m_open.end()) it->second.forcedStatus = status;
}

bool FakeAppleTalk::isEnumOpen(ATEnumHandle handle) const {
    Lock lock(m_mutex);
    return m_open.count(handle) != 0;
}

int FakeAppleTalk::openEnumCount() const {
    Lock lock(m_mutex);
    return static_cast<int>(m_open.size());
}

std::vector<FakeLookupRequest> FakeAppleTalk::lookups() const {
    Lock lock(m_mutex);
    return m_lookups;
}

void FakeAppleTalk::setMyZone(int result, std::string zone) {
    Lock lock(m_mutex);
    m_myZoneResult = result;
    m_myZone = std::move(zone);
}

void FakeAppleTalk::setDefaultPrinter(const _NBPTuple* printer) {
    Lock lock(m_mutex);
    if (printer != nullptr)
        m_defaultPrinter = *printer;
    else
        m_defaultPrinter.reset();
}

std::optional<_NBPTuple> FakeAppleTalk::defaultPrinter() const {
    Lock lock(m_mutex);
    return m_defaultPrinter;
}

void FakeAppleTalk::setSetDefaultPrinterResult(int result) {
    Lock lock(m_mutex);
    m_setDefaultResult = result;
}

std::vector<_NBPTuple> FakeAppleTalk::setDefaultPrinterCalls() const {
    Lock lock(m_mutex);
    return m_setDefaultCalls;
}

void FakeAppleTalk::setPostScriptType(std::string nbpType, int answer) {
    Lock lock(m_mutex);
    m_postScriptTypes[std::move(nbpType)] = answer;
}

void FakeAppleTalk::setPostScriptDefault(int answer) {
    Lock lock(m_mutex);
    m_postScriptDefault = answer;
}

void FakeAppleTalk::setAllocResult(int result) {
    Lock lock(m_mutex);
    m_allocResult = result;
}

std::size_t FakeAppleTalk::liveBlockCount() const {
    Lock lock(m_mutex);
    return m_liveBlocks.size();
}

void FakeAppleTalk::pushDispatchResult(int result) {
    Lock lock(m_mutex);
    m_dispatchResults.push_back(result);
}

void FakeAppleTalk::setDispatchHandler(std::function<void(_DispatchBlock&)> handler) {
    Lock lock(m_mutex);
    m_dispatchHandler = std::move(handler);
}

std::vector<FakeDispatch> FakeAppleTalk::dispatches() const {
    Lock lock(m_mutex);
    return m_dispatches;
}

bool FakeAppleTalk::completeDispatch(std::size_t index, int result,
                                     const std::function<void(_DispatchBlock&)>& fillReply) {
    // Held while writing, so the code under test cannot free the block in the middle.
    Lock lock(m_mutex);
    if (index >= m_dispatches.size()) return false;
    _DispatchBlock* block = m_dispatches[index].block;
    if (std::find(m_liveBlocks.begin(), m_liveBlocks.end(), block) == m_liveBlocks.end()) return false;
    if (fillReply) fillReply(*block);
    completeBlock(*block, result);
    return true;
}

void FakeAppleTalk::completeBlock(_DispatchBlock& block, int result) {
    // The reply is written before; a poller that loads the result with acquire sees it whole.
    std::atomic_ref<int32_t>(block.result).store(result, std::memory_order_release);
}

int FakeAppleTalk::readResult(const _DispatchBlock& block) {
    return std::atomic_ref<int32_t>(const_cast<int32_t&>(block.result)).load(std::memory_order_acquire);
}

std::vector<FakeCall> FakeAppleTalk::calls() const {
    Lock lock(m_mutex);
    return m_calls;
}

std::vector<std::string> FakeAppleTalk::callNames() const {
    Lock lock(m_mutex);
    std::vector<std::string> names;
    for (const auto& call : m_calls) names.push_back(call.function);
    return names;
}

int FakeAppleTalk::callCount(std::string_view function) const {
    Lock lock(m_mutex);
    return static_cast<int>(
        std::count_if(m_calls.begin(), m_calls.end(), [&](const FakeCall& c) { return c.function == function; }));
}

void FakeAppleTalk::clearCalls() {
    Lock lock(m_mutex);
    m_calls.clear();
}

void FakeAppleTalk::record(std::string function, std::string arguments, int result) {
    m_calls.push_back({std::move(function), std::move(arguments), result});
}
