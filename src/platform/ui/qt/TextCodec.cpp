#include "platform/ui/qt/TextCodec.h"

#include "appletalk/text/MacRoman.h"

namespace ui_detail {

QString fromMacRoman(std::string_view macRoman) {
    return QString::fromStdString(appletalk::text::macRomanToUtf8(macRoman));
}

std::string toMacRoman(const QString& text) {
    return appletalk::text::utf8ToMacRoman(text.toStdString()).macRoman;
}

} // namespace ui_detail
