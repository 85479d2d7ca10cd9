// SPDX-License-Identifier: MIT
#include "vidur20/res/Vidur20Resources.h"

#include "vidur20/res/ResourceTables.h"

const ResourceModule& Vidur20ResourceModule() {
    // Built on first use, from tables that are constant-initialised, so the module is
    // complete whichever static initialiser asks first.
    static const ResourceModule module{"vidur20", Vidur20DialogTemplates(), Vidur20StringTables(), Vidur20Icons()};
    return module;
}
