// SPDX-License-Identifier: MIT
// The C runtime's _splitpath: a path into drive, directory, file name and extension.
#pragma once

constexpr int _MAX_PATH = 260;
constexpr int _MAX_DRIVE = 3;
constexpr int _MAX_DIR = 256;
constexpr int _MAX_FNAME = 256;
constexpr int _MAX_EXT = 256;

// Each output may be null (that part is not wanted); otherwise it must hold its _MAX_
// size. A part longer than its buffer is cut so that it fits with its zero; nothing is
// ever written past a buffer. Both '\\' and '/' separate directories.
//   drive: "X:" when the path starts with a letter and a colon, else empty
//   dir:   up to and including the last separator
//   ext:   from the last period after the directory to the end, period included
//   fname: what lies between
void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext);
