// SPDX-License-Identifier: MIT
// The records that the AppleTalk library exchanges with its callers. Their layout is an
// interface with host applications and is fixed to the byte: every field is packed, names
// are zero-terminated Mac OS Roman strings in 34-byte fields, and integers are in the host's
// byte order (the library treats the network number as a plain 16-bit value).
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define NBP_NAME_FIELD_SIZE 34 /* 32 characters of NBP, one spare, the terminator */

#pragma pack(push, 1)

typedef struct _NBPEntityName {
    char object[NBP_NAME_FIELD_SIZE];
    char type[NBP_NAME_FIELD_SIZE];
    char zone[NBP_NAME_FIELD_SIZE];
} _NBPEntityName;

typedef struct _AddrBlock {
    uint16_t network;
    uint8_t nodeID;
    uint8_t socket;
} _AddrBlock;

typedef struct _NBPTuple {
    _NBPEntityName entity;
    uint8_t padding1[2];
    _AddrBlock address;
    uint8_t enumerator;
    uint8_t padding2[3];
} _NBPTuple;

#pragma pack(pop)

/* The request record of ATALKDispatch. Only the fields below have a meaning shared with the
   caller; the parameters and the reply start at offset 52 and depend on the command.
   Naturally aligned, so that the result field can be accessed atomically. */
#define DISPATCH_BLOCK_SIZE 688
#define DISPATCH_PARAMS_OFFSET 52

typedef struct _DispatchBlock {
    uint8_t reserved0[12];
    uint32_t command; /* 12: set by the caller */
    int32_t result; /* 16: 1 in progress, 0 done, negative failed; written last by the stack */
    uint8_t reserved20[16];
    uint32_t cleared36; /* 36: zeroed by the caller before every dispatch */
    uint8_t reserved40[4];
    uint32_t cleared44; /* 44: zeroed by the caller before every dispatch */
    uint32_t cleared48; /* 48: zeroed by the caller for node information */
    uint8_t params[DISPATCH_BLOCK_SIZE - DISPATCH_PARAMS_OFFSET];
} _DispatchBlock;

/* Commands of ATALKDispatch. */
#define ATALK_CMD_NODE_INFO 0x0210u /* reply: net u16 @52, node u8 @54, range u16 @56/@58, zone @60 */
#define ATALK_CMD_PRINTER_STATUS 0x0810u /* request id u32 @52, _NBPTuple @56, status text @196 */
#define ATALK_CMD_END_PRINTER 0x0806u /* ends the status request whose id is @52 */

/* Offsets inside a dispatch block, from its start. */
#define DB_REQUEST_ID_OFFSET 52
#define DB_NODE_NETWORK_OFFSET 52
#define DB_NODE_NODE_OFFSET 54
#define DB_NODE_RANGE_FIRST_OFFSET 56
#define DB_NODE_RANGE_LAST_OFFSET 58
#define DB_NODE_ZONE_OFFSET 60
#define DB_STATUS_TUPLE_OFFSET 56
#define DB_STATUS_TEXT_OFFSET 196
#define DB_STATUS_TEXT_SIZE 492

/* Results of the enumerations. */
#define ENUM_RUNNING 1
#define ENUM_COMPLETE 0

#ifdef __cplusplus
}
#endif
