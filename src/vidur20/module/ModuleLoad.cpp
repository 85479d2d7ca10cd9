// SPDX-License-Identifier: MIT
// Part of the shared library only: joins the library's resources to the chain when the
// library is loaded, before the host can call anything, as an extension module's start-up
// does. The static libraries leave this to the entry points.
#include "vidur20/module/Vidur20Module.h"

namespace {

[[gnu::constructor]] void JoinResourceChainOnLoad() { Vidur20ModuleInit(); }

} // namespace
