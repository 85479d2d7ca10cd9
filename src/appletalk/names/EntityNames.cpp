// SPDX-License-Identifier: MIT
// NBPSetEntityName and NBPCompareEntity: the name functions that need no network.
#include <cstring>

#include "tarvlib/NameFields.h"
#include "tarvlib/TarvlibApi.h"
#include "text/MacRoman.h"

using appletalk::api::fieldText;
using appletalk::api::storeField;

namespace {

constexpr int kBadArgument = -1;

void storeIfGiven(char (&field)[NBP_NAME_FIELD_SIZE], const char* text) {
    // A part given as null leaves its field alone, so a caller can change one part only.
    // Only the first 33 characters are read: a longer text is cut, never written past the field.
    if (text != nullptr) storeField(field, text);
}

} // namespace

extern "C" int NBPSetEntityName(_NBPEntityName* name, const char* object, const char* type, const char* zone) {
    if (name == nullptr) return kBadArgument;
    storeIfGiven(name->object, object);
    storeIfGiven(name->type, type);
    storeIfGiven(name->zone, zone);
    return 0;
}

extern "C" int NBPCompareEntity(const _NBPTuple* a, const _NBPTuple* b, int /*flag: no variants defined*/) {
    // Null never names an entity, so it is never the same as anything, itself included.
    if (a == nullptr || b == nullptr) return kBadArgument;
    using vidur::text::compareFolded;
    // NBP matches names without regard to case; the address and enumerator say where an
    // entity was last seen, not which entity it is.
    if (int c = compareFolded(fieldText(a->entity.object), fieldText(b->entity.object)); c != 0) return c;
    if (int c = compareFolded(fieldText(a->entity.type), fieldText(b->entity.type)); c != 0) return c;
    return compareFolded(fieldText(a->entity.zone), fieldText(b->entity.zone));
}
