// SPDX-License-Identifier: MIT
// One named AppleTalk entity (object, type and zone) with the address at which it was last
// found and its NBP enumerator, held in the library's own record so that it can be handed
// to the library and to hosts as it stands.
#pragma once

#include "platform/core/CObject.h"
#include "platform/core/CString.h"
#include "vidur20/Vidur20Export.h"
#include "vidur20/atalk/AppleTalk.h"

class VIDUR20_EXPORT ZNBPTuple : public CObject {
    DECLARE_DYNAMIC(ZNBPTuple)
public:
    ZNBPTuple();
    explicit ZNBPTuple(const _NBPTuple* tuple);
    ~ZNBPTuple() override;

    // 1 when the object name is empty: a tuple without an object names nothing.
    int IsEmpty() const;
    // Init, then all 112 bytes of the record.
    void Create(const _NBPTuple* tuple);
    // Copies the record to out and returns 1; returns 0 and writes nothing when empty.
    int GetNBPTuple(_NBPTuple* out) const;

    void SetEntity(const _NBPEntityName* name);
    // Through the library: a null part leaves that name as it is, a long one is cut.
    void SetEntity(const char* object, const char* type, const char* zone);

    CString GetObjectA() const;
    CString GetType() const;
    CString GetZone() const;
    // Text longer than the 33 characters a field holds is cut; null changes nothing.
    void SetObject(const char* text);
    void SetType(const char* text);
    void SetZone(const char* text);

    WORD GetNetwork() const { return m_tuple.address.network; }
    BYTE GetNodeID() const { return m_tuple.address.nodeID; }
    BYTE GetSocket() const { return m_tuple.address.socket; }
    void SetAddress(WORD network, BYTE nodeID, BYTE socket);
    void SetAddress(const _AddrBlock* block);
    void GetAddress(_AddrBlock* out) const;

    BYTE GetEnum() const { return m_tuple.enumerator; }
    void SetEnum(BYTE value) { m_tuple.enumerator = value; }

    // 0 when both name the same entity (the library's rule; the address takes no part).
    int Compare(const _NBPTuple* other, int flag) const;
    // The same against another tuple; always compares with the flag 0, as every caller does.
    int Compare(const ZNBPTuple* other, int flag) const;

protected:
    // Empties the names and zeroes the address and enumerator; other bytes are kept.
    void Init();

    _NBPTuple m_tuple;
};
