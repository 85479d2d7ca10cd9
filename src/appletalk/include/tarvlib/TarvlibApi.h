// SPDX-License-Identifier: MIT
// The AppleTalk library's functions, as its callers see them: plain C functions bound at
// link time. Every call returns at once; enumerations and dispatched requests go on in the
// library and are polled. Handles are 32-bit, 0 meaning none; counts and indexes 16-bit.
#pragma once

#include "tarvlib/TarvlibRecords.h"

#ifdef __cplusplus
extern "C" {
#endif

#define TARVLIB_API __attribute__((visibility("default")))

typedef uint32_t ATEnumHandle;

/* What ZIPOpenEnum lists. */
#define ZIP_ENUM_ALL_ZONES 0 /* every zone of the internet (ZIP GetZoneList) */
#define ZIP_ENUM_LOCAL_ZONES \
    1 /* the zones of this node's cable (ZIP GetLocalZones); on a
                                  LocalTalk cable, its one zone: the node's own */

/* Zone list: which is ZIP_ENUM_ALL_ZONES or ZIP_ENUM_LOCAL_ZONES; any other value is refused.
   Stores a non-zero handle and returns 0 when opened. */
TARVLIB_API int ZIPOpenEnum(ATEnumHandle* handle, int which);
TARVLIB_API int ZIPEnumStatus(ATEnumHandle handle);
TARVLIB_API int ZIPZoneCount(ATEnumHandle handle, uint16_t* count);
TARVLIB_API int ZIPReadEnum(ATEnumHandle handle, uint16_t index, char* zone /* 34 bytes */);
TARVLIB_API int ZIPCloseEnum(ATEnumHandle handle);
TARVLIB_API int ZIPGetMyZone(char* zone /* 34 bytes */);

/* NBP look-up of name, which may hold wildcards. Returns 0 and stores a handle when opened.
   The request is sent `transmissions` times in all (1..64), `interval` apart (1..255); the
   look-up completes one interval after the last send, or at once when maxTuples (1..65535)
   distinct entities have answered.
   The interval counts in units of 8 ticks of 1/60 s (about 133 ms), as the AppleTalk
   workstation API has always counted its retry interval, not in seconds: replies come
   within milliseconds on the embedded network and within a few hundred on real ones, and
   every look-up holds its caller's wait cursor up until it completes. The Chooser's 2, 2,
   1024: sends at 0 and 267 ms, complete at 533 ms, up to 1024 devices kept. */
TARVLIB_API int NBPOpenEnum(ATEnumHandle* handle, int interval, int transmissions, int maxTuples,
                            const _NBPEntityName* name);
TARVLIB_API int NBPEnumStatus(ATEnumHandle handle);
TARVLIB_API int NBPFoundCount(ATEnumHandle handle, uint16_t* count);
TARVLIB_API int NBPReadEnum(ATEnumHandle handle, uint16_t index, _NBPTuple* tuple);
TARVLIB_API int NBPCloseEnum(ATEnumHandle handle);

/* Names. A null part leaves its field as it is. */
TARVLIB_API int NBPSetEntityName(_NBPEntityName* name, const char* object, const char* type, const char* zone);
/* 0 when both tuples name the same entity; the address and enumerator take no part. */
TARVLIB_API int NBPCompareEntity(const _NBPTuple* a, const _NBPTuple* b, int flag);
/* Parses "AppleTalk PAP; NET NODE SOCKET, OBJECT:TYPE@ZONE"; 0 on success. */
TARVLIB_API int NBPCrackProfileString(const char* value, _NBPTuple* tuple);

/* Printers. */
TARVLIB_API int PAPGetDefaultPrinter(_NBPTuple* printer);
TARVLIB_API int PAPSetDefaultPrinter(const _NBPTuple* printer);
TARVLIB_API int IsPostScriptPrinterType(const char* nbpType);

/* Requests to the stack. */
TARVLIB_API int MPPAlloc(_DispatchBlock** block, int reserved);
TARVLIB_API int MPPFree(_DispatchBlock* block);
TARVLIB_API int ATALKDispatch(_DispatchBlock* block);

#ifdef __cplusplus
}
#endif
