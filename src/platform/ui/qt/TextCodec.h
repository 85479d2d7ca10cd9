// SPDX-License-Identifier: MIT
// Conversion at the edge between the system's Mac OS Roman strings and Qt's Unicode.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace ui_detail {

QString fromMacRoman(std::string_view macRoman);
std::string toMacRoman(const QString& text); // characters without a Mac OS Roman byte become '?'
// Win32 text takes '&' as a mnemonic prefix and "&&" as one ampersand; this is the text shown
// without the prefixes.
QString withoutPrefixes(const QString& text);
// Where the underlined letter (the one after a single '&') lies in that shown text; -1 for none.
int mnemonicIndex(const QString& text);

} // namespace ui_detail
