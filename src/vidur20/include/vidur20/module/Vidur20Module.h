// SPDX-License-Identifier: MIT
// Start-up of the library: its resources (dialog templates 229 to 232, strings 11 to 13,
// icons) join the process's resource chain, behind whatever the host put there first, so
// that every window of the library finds them by number.
//
// The shared library does this when it is loaded; every entry point does it again before
// it opens a window, so a host that links the static libraries instead needs nothing more.
#pragma once

#include "vidur20/Vidur20Export.h"

// Idempotent and thread-safe: the resources join once per process, at the first call.
VIDUR20_EXPORT void Vidur20ModuleInit();
