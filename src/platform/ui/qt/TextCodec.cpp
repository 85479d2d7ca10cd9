// SPDX-License-Identifier: MIT
#include "platform/ui/qt/TextCodec.h"

#include "text/MacRoman.h"

namespace ui_detail {

QString fromMacRoman(std::string_view macRoman) {
    return QString::fromStdString(vidur::text::macRomanToUtf8(macRoman));
}

std::string toMacRoman(const QString& text) { return vidur::text::utf8ToMacRoman(text.toStdString()).macRoman; }

QString withoutPrefixes(const QString& text) {
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

int mnemonicIndex(const QString& text) {
    int shown = 0;
    for (int i = 0; i < text.size(); ++i, ++shown) {
        if (text[i] != QLatin1Char('&') || i + 1 >= text.size()) continue;
        ++i;
        if (text[i] != QLatin1Char('&')) return shown;
    }
    return -1;
}

} // namespace ui_detail
