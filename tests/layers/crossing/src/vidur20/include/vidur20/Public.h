// SPDX-License-Identifier: MIT
// A public header that includes a private one of its own layer by the same prefix.
#include "vidur20/Host.h"
