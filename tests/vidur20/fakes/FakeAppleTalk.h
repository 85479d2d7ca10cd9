// SPDX-License-Identifier: MIT
// A scriptable stand-in for the AppleTalk library's network functions, linked by the
// system's unit tests in place of the real library (the functions are bound at link time).
// The name functions (NBPSetEntityName, NBPCompareEntity, NBPCrackProfileString) are the
// real ones.
//
// A test scripts what the library will answer, runs the code under test, then inspects
// every call in order with its arguments and result:
//
//   auto& fake = FakeAppleTalk::instance();
//   fake.reset();
//   fake.scriptZoneEnum({.statuses = {ENUM_RUNNING, ENUM_RUNNING, ENUM_COMPLETE}, .zones = {"Sales"}});
//   ... code under test polls ZIPEnumStatus three times ...
//   EXPECT_EQ(fake.callCount("ZIPEnumStatus"), 3);
//
// Everything is guarded by one lock, so a test may complete a dispatched block from another
// thread while the code under test polls it.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tarvlib/TarvlibApi.h"

// One scripted ZIP zone enumeration, taken by the next ZIPOpenEnum.
struct FakeZoneEnum {
    int openResult = 0; // non-zero: the open fails and stores no handle
    std::vector<int> statuses{ENUM_COMPLETE}; // answer of each ZIPEnumStatus in turn; the last repeats
    std::vector<std::string> zones; // Mac OS Roman names, read by ZIPReadEnum
    int countResult = 0; // result of ZIPZoneCount (non-zero: fails, count untouched)
};

// One scripted NBP look-up, taken by the next NBPOpenEnum.
struct FakeLookup {
    int openResult = 0;
    std::vector<int> statuses{ENUM_COMPLETE};
    std::vector<_NBPTuple> found;
    int countResult = 0;
};

// One call into the library, as the code under test made it.
struct FakeCall {
    std::string function; // "NBPOpenEnum"
    std::string arguments; // "2, 2, 1024, =:LaserWriter@Sales" (names as their raw bytes)
    int result = 0;
};

// The arguments of one NBPOpenEnum.
struct FakeLookupRequest {
    int retryInterval = 0;
    int retryCount = 0;
    int maxTuples = 0;
    _NBPEntityName name{};
    ATEnumHandle handle = 0; // 0 when the open failed
};

// One ATALKDispatch: the block passed and a copy of it as it was at the call.
struct FakeDispatch {
    _DispatchBlock* block = nullptr;
    _DispatchBlock copy{};
};

class FakeAppleTalk {
public:
    // Result of a call on a handle or block that the fake does not know (never opened,
    // closed, freed) or of an enumeration opened without a script.
    static constexpr int kFailure = -1;

    static FakeAppleTalk& instance();

    // Forgets every script, call and setting and frees the blocks still allocated.
    void reset();

    // --- Enumerations. Each open takes the next script in its queue; with none queued the
    // open fails with kFailure, so an unscripted enumeration shows in the call log.
    void scriptZoneEnum(FakeZoneEnum script);
    void scriptLookup(FakeLookup script);
    // From now on every status poll of this open handle answers status.
    void setEnumStatus(ATEnumHandle handle, int status);
    bool isEnumOpen(ATEnumHandle handle) const;
    int openEnumCount() const;
    std::vector<FakeLookupRequest> lookups() const;

    // --- ZIPGetMyZone: result, and the zone written when the result is 0.
    void setMyZone(int result, std::string zone);

    // --- Printers.
    void setDefaultPrinter(const _NBPTuple* printer); // null: none, PAPGetDefaultPrinter fails
    std::optional<_NBPTuple> defaultPrinter() const;
    void setSetDefaultPrinterResult(int result); // returned by PAPSetDefaultPrinter (stored anyway when 0)
    std::vector<_NBPTuple> setDefaultPrinterCalls() const;
    void setPostScriptType(std::string nbpType, int answer); // exact bytes of the type
    void setPostScriptDefault(int answer); // for every other type (initially 0)

    // --- Dispatch blocks.
    void setAllocResult(int result); // non-zero: MPPAlloc fails and stores nothing
    std::size_t liveBlockCount() const; // allocated and not yet freed
    void pushDispatchResult(int result); // queued results of ATALKDispatch (0 when none)
    // Runs on every accepted dispatch after the block is marked in progress; it may fill
    // the reply and complete the block at once (with completeBlock).
    void setDispatchHandler(std::function<void(_DispatchBlock&)> handler);
    std::vector<FakeDispatch> dispatches() const;
    // Completes the index-th dispatched block (from 0), as the stack does: fills the reply,
    // then writes the result last with release ordering. False, writing nothing, when the
    // block has been freed meanwhile. Callable from any thread.
    bool completeDispatch(std::size_t index, int result, const std::function<void(_DispatchBlock&)>& fillReply = {});
    static void completeBlock(_DispatchBlock& block, int result);
    // The result field as a poller reads it (acquire).
    static int readResult(const _DispatchBlock& block);

    // --- The call log, in call order.
    std::vector<FakeCall> calls() const;
    std::vector<std::string> callNames() const;
    int callCount(std::string_view function) const;
    void clearCalls();

private:
    // The library functions, in FakeTarvlib.cpp, answer from the private state.
    friend struct FakeAppleTalkLibrary;
    friend int ::ZIPOpenEnum(ATEnumHandle*, int);
    friend int ::ZIPReadEnum(ATEnumHandle, uint16_t, char*);
    friend int ::ZIPGetMyZone(char*);
    friend int ::NBPOpenEnum(ATEnumHandle*, int, int, int, const _NBPEntityName*);
    friend int ::NBPReadEnum(ATEnumHandle, uint16_t, _NBPTuple*);
    friend int ::PAPGetDefaultPrinter(_NBPTuple*);
    friend int ::PAPSetDefaultPrinter(const _NBPTuple*);
    friend int ::IsPostScriptPrinterType(const char*);
    friend int ::MPPAlloc(_DispatchBlock**, int);
    friend int ::MPPFree(_DispatchBlock*);
    friend int ::ATALKDispatch(_DispatchBlock*);

    struct OpenEnum {
        bool isZone = false;
        std::vector<int> statuses;
        std::size_t polls = 0;
        std::optional<int> forcedStatus;
        std::vector<std::string> zones;
        std::vector<_NBPTuple> found;
        int countResult = 0;
    };

    FakeAppleTalk() = default;
    ~FakeAppleTalk();
    void record(std::string function, std::string arguments, int result);
    void freeAllBlocks();

    mutable std::recursive_mutex m_mutex;
    std::deque<FakeZoneEnum> m_zoneScripts;
    std::deque<FakeLookup> m_lookupScripts;
    std::map<ATEnumHandle, OpenEnum> m_open;
    ATEnumHandle m_nextHandle = 1;
    std::vector<FakeLookupRequest> m_lookups;
    int m_myZoneResult = kFailure;
    std::string m_myZone;
    std::optional<_NBPTuple> m_defaultPrinter;
    int m_setDefaultResult = 0;
    std::vector<_NBPTuple> m_setDefaultCalls;
    std::map<std::string, int> m_postScriptTypes;
    int m_postScriptDefault = 0;
    int m_allocResult = 0;
    std::vector<_DispatchBlock*> m_liveBlocks;
    std::deque<int> m_dispatchResults;
    std::function<void(_DispatchBlock&)> m_dispatchHandler;
    std::vector<FakeDispatch> m_dispatches;
    std::vector<FakeCall> m_calls;
};
