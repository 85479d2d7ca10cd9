// SPDX-License-Identifier: MIT
// Marks the classes that host applications use directly, so that they stay visible when
// the library is built with hidden symbols.
#pragma once

#define VIDUR20_EXPORT __attribute__((visibility("default")))
