// SPDX-License-Identifier: MIT
// The shared library's one source: a table of every exported function. Referring to each
// pulls its object out of the static implementation, so the library holds all of them, and a
// function declared but never defined fails the link here rather than in a host.
#include "tarvlib/TarvlibApi.h"

namespace {

[[maybe_unused]] void* const kExported[] = {
    reinterpret_cast<void*>(&ZIPOpenEnum),
    reinterpret_cast<void*>(&ZIPEnumStatus),
    reinterpret_cast<void*>(&ZIPZoneCount),
    reinterpret_cast<void*>(&ZIPReadEnum),
    reinterpret_cast<void*>(&ZIPCloseEnum),
    reinterpret_cast<void*>(&ZIPGetMyZone),
    reinterpret_cast<void*>(&NBPOpenEnum),
    reinterpret_cast<void*>(&NBPEnumStatus),
    reinterpret_cast<void*>(&NBPFoundCount),
    reinterpret_cast<void*>(&NBPReadEnum),
    reinterpret_cast<void*>(&NBPCloseEnum),
    reinterpret_cast<void*>(&NBPSetEntityName),
    reinterpret_cast<void*>(&NBPCompareEntity),
    reinterpret_cast<void*>(&NBPCrackProfileString),
    reinterpret_cast<void*>(&PAPGetDefaultPrinter),
    reinterpret_cast<void*>(&PAPSetDefaultPrinter),
    reinterpret_cast<void*>(&IsPostScriptPrinterType),
    reinterpret_cast<void*>(&MPPAlloc),
    reinterpret_cast<void*>(&MPPFree),
    reinterpret_cast<void*>(&ATALKDispatch),
};

} // namespace

// Keeps the table, and so every reference, in the link.
extern "C" __attribute__((used)) void* const* tarvlibExportTable() { return kExported; }
