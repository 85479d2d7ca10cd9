// SPDX-License-Identifier: MIT
// Conversions at the edges: a CString holds Mac OS Roman bytes; files on disk, the terminal
// and the widgets take UTF-8.
#pragma once

#include "platform/core/CString.h"

#include <string>
#include <string_view>

// Every Mac OS Roman byte has a character, so this never loses anything.
std::string CStringToUtf8(const CString& text);

// Characters without a Mac OS Roman byte (and malformed UTF-8) become '?'. When pLossless
// is given it is set to FALSE if that happened.
CString Utf8ToCString(std::string_view utf8, BOOL* pLossless = nullptr);
