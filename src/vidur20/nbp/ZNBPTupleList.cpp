// SPDX-License-Identifier: MIT
#include "vidur20/nbp/ZNBPTupleList.h"

ZNBPTupleList::ZNBPTupleList() = default;

ZNBPTupleList::~ZNBPTupleList() {
    for (int i = 0; i < GetSize(); ++i) delete GetAt(i);
    SetSize(0);
}

ZNBPTuple* ZNBPTupleList::GetTuple(int index) const {
    CObject* entry = GetAt(index);
    if (entry == nullptr || !entry->IsKindOf(RUNTIME_CLASS(ZNBPTuple))) return nullptr;
    return static_cast<ZNBPTuple*>(entry);
}

int ZNBPTupleList::Add(ZNBPTuple* tuple) {
    if (tuple == nullptr) return -1;
    for (int i = 0; i < GetSize(); ++i) {
        const ZNBPTuple* entry = GetTuple(i);
        if (entry != nullptr && entry->Compare(tuple, 0) == 0) return -1;
    }
    return CObArray::Add(tuple);
}

int ZNBPTupleList::UpdateAddress(const _NBPTuple* tuple) {
    if (tuple == nullptr) return 0;
    for (int i = 0; i < GetSize(); ++i) {
        ZNBPTuple* entry = GetTuple(i);
        if (entry != nullptr && entry->Compare(tuple, 0) == 0) {
            entry->SetAddress(&tuple->address);
            return 1;
        }
    }
    return 0;
}
