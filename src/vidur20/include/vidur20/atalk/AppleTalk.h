// SPDX-License-Identifier: MIT
// What the system calls in the AppleTalk library, with the records it shares with it and with
// host applications. The library owns the declarations; this header pins the layout the
// system and its hosts rely on, so that a change of the library's records fails the build.
#pragma once

#include <cstddef>

#include "tarvlib/TarvlibApi.h"

static_assert(sizeof(_NBPEntityName) == 102);
static_assert(offsetof(_NBPEntityName, object) == 0);
static_assert(offsetof(_NBPEntityName, type) == 34);
static_assert(offsetof(_NBPEntityName, zone) == 68);

static_assert(sizeof(_AddrBlock) == 4);
static_assert(offsetof(_AddrBlock, network) == 0);
static_assert(offsetof(_AddrBlock, nodeID) == 2);
static_assert(offsetof(_AddrBlock, socket) == 3);

static_assert(sizeof(_NBPTuple) == 112);
static_assert(offsetof(_NBPTuple, entity) == 0);
static_assert(offsetof(_NBPTuple, address) == 104);
static_assert(offsetof(_NBPTuple, enumerator) == 108);

static_assert(sizeof(_DispatchBlock) == DISPATCH_BLOCK_SIZE);
static_assert(alignof(_DispatchBlock) >= alignof(int32_t));
static_assert(offsetof(_DispatchBlock, command) == 12);
static_assert(offsetof(_DispatchBlock, result) == 16);
static_assert(offsetof(_DispatchBlock, cleared36) == 36);
static_assert(offsetof(_DispatchBlock, cleared44) == 44);
static_assert(offsetof(_DispatchBlock, cleared48) == 48);
static_assert(offsetof(_DispatchBlock, params) == DISPATCH_PARAMS_OFFSET);
static_assert(DB_STATUS_TEXT_OFFSET + DB_STATUS_TEXT_SIZE == DISPATCH_BLOCK_SIZE);
static_assert(DB_STATUS_TUPLE_OFFSET + sizeof(_NBPTuple) <= DB_STATUS_TEXT_OFFSET);
