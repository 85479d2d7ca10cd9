// SPDX-License-Identifier: MIT
#include "vidur20/nbp/ZNBPTuple.h"

#include "tarvlib/NameFields.h"

#include <cstring>

IMPLEMENT_DYNAMIC(ZNBPTuple, CObject)

namespace {

// Bounded by the field: a record from a host need not be terminated.
CString fieldText(const char* field) {
    const std::string_view text = appletalk::api::fieldText(field);
    return CString(text.data(), static_cast<int>(text.size()));
}

void storeText(char* field, const char* text) {
    if (text != nullptr) appletalk::api::storeField(field, text);
}

} // namespace

// The record is cleared first so that a tuple never carries stale bytes to a host.
ZNBPTuple::ZNBPTuple() : m_tuple{} { Init(); }

ZNBPTuple::ZNBPTuple(const _NBPTuple* tuple) : m_tuple{} { Create(tuple); }

ZNBPTuple::~ZNBPTuple() = default;

int ZNBPTuple::IsEmpty() const { return m_tuple.entity.object[0] == '\0' ? 1 : 0; }

void ZNBPTuple::Init() {
    m_tuple.entity.object[0] = '\0';
    m_tuple.entity.type[0] = '\0';
    m_tuple.entity.zone[0] = '\0';
    m_tuple.address = {0, 0, 0};
    m_tuple.enumerator = 0;
}

void ZNBPTuple::Create(const _NBPTuple* tuple) {
    Init();
    if (tuple != nullptr) std::memcpy(&m_tuple, tuple, sizeof m_tuple);
}

int ZNBPTuple::GetNBPTuple(_NBPTuple* out) const {
    if (out == nullptr || IsEmpty()) return 0;
    std::memcpy(out, &m_tuple, sizeof m_tuple);
    return 1;
}

void ZNBPTuple::SetEntity(const _NBPEntityName* name) {
    if (name != nullptr) std::memcpy(&m_tuple.entity, name, sizeof m_tuple.entity);
}

void ZNBPTuple::SetEntity(const char* object, const char* type, const char* zone) {
    NBPSetEntityName(&m_tuple.entity, object, type, zone);
}

CString ZNBPTuple::GetObjectA() const { return fieldText(m_tuple.entity.object); }
CString ZNBPTuple::GetType() const { return fieldText(m_tuple.entity.type); }
CString ZNBPTuple::GetZone() const { return fieldText(m_tuple.entity.zone); }

void ZNBPTuple::SetObject(const char* text) { storeText(m_tuple.entity.object, text); }
void ZNBPTuple::SetType(const char* text) { storeText(m_tuple.entity.type, text); }
void ZNBPTuple::SetZone(const char* text) { storeText(m_tuple.entity.zone, text); }

void ZNBPTuple::SetAddress(WORD network, BYTE nodeID, BYTE socket) { m_tuple.address = {network, nodeID, socket}; }

void ZNBPTuple::SetAddress(const _AddrBlock* block) {
    if (block != nullptr) m_tuple.address = *block;
}

void ZNBPTuple::GetAddress(_AddrBlock* out) const {
    if (out != nullptr) *out = m_tuple.address;
}

int ZNBPTuple::Compare(const _NBPTuple* other, int flag) const { return NBPCompareEntity(&m_tuple, other, flag); }

int ZNBPTuple::Compare(const ZNBPTuple* other, int /*flag*/) const {
    if (other == nullptr) return Compare(static_cast<const _NBPTuple*>(nullptr), 0);
    return Compare(&other->m_tuple, 0);
}
