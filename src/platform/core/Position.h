// SPDX-License-Identifier: MIT
// The framework's opaque iteration position for lists and maps; null ends an iteration.
#pragma once

struct AfxPositionTag;
using POSITION = AfxPositionTag*;

// A map's position before its first association (GetStartPosition of a non-empty map).
#define BEFORE_START_POSITION (reinterpret_cast<POSITION>(-1L))
