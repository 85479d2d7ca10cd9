// SPDX-License-Identifier: MIT
// A wire format that reaches up into the node.
#include "appletalk/node/Node.h"
#include "text/MacRoman.h"
