// SPDX-License-Identifier: MIT
// A system file that reaches into the stack past its public tier, in angle brackets.
#include <appletalk/node/Node.h>
#include <vector>
