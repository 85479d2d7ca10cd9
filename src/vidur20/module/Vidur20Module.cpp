// SPDX-License-Identifier: MIT
#include "vidur20/module/Vidur20Module.h"

#include <mutex>

#include "platform/resources/ResourceChain.h"
#include "vidur20/res/Vidur20Resources.h"

void Vidur20ModuleInit() {
    // Once only: a test or host that takes the module out of the chain afterwards (to see a
    // missing template answer -1) must not have it put back behind its back.
    static std::once_flag joined;
    std::call_once(joined, [] { ResourceChain::instance().addModule(Vidur20ResourceModule()); });
}
