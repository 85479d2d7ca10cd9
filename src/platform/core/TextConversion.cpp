// SPDX-License-Identifier: MIT
#include "platform/core/TextConversion.h"

#include "text/MacRoman.h"

std::string CStringToUtf8(const CString& text) { return vidur::text::macRomanToUtf8(text.View()); }

CString Utf8ToCString(std::string_view utf8, BOOL* pLossless) {
    const vidur::text::Utf8Conversion converted = vidur::text::utf8ToMacRoman(utf8);
    if (pLossless) *pLossless = converted.lossless ? TRUE : FALSE;
    return CString(converted.macRoman.data(), static_cast<int>(converted.macRoman.size()));
}
