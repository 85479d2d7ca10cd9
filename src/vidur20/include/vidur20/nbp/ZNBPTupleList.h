// SPDX-License-Identifier: MIT
// An ordered list of tuples in which no two entries name the same entity. It owns every
// tuple it accepted and deletes them when it is destroyed.
#pragma once

#include "platform/core/CObArray.h"
#include "vidur20/Vidur20Export.h"
#include "vidur20/nbp/ZNBPTuple.h"

class VIDUR20_EXPORT ZNBPTupleList : public CObArray {
public:
    ZNBPTupleList();
    ~ZNBPTupleList() override;

    // Appends the tuple and returns its index, or returns -1 and leaves the tuple with the
    // caller when an entry already names the same entity.
    int Add(ZNBPTuple* tuple);
    // Copies the record's address into the first entry naming the same entity; 1 when one
    // was found, else 0.
    int UpdateAddress(const _NBPTuple* tuple);

    // The entry at index as a tuple; null for a null element or one that is not a tuple
    // (both can be placed through the array's own operations).
    ZNBPTuple* GetTuple(int index) const;
};
