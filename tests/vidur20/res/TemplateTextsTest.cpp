// SPDX-License-Identifier: MIT
// Every text of every template shows whole in its control, in both languages, in the look the
// test runs with (registered twice: the classic look, and VIDUR_LOOK=native).
#include <QApplication>
#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionButton>
#include <gtest/gtest.h>

#include "ResourceTestSupport.h"
#include "platform/ui/qt/ButtonWidget.h"
#include "platform/ui/qt/DialogBuilder.h"
#include "platform/ui/qt/DialogWidget.h"
#include "platform/ui/qt/StaticWidget.h"
#include "platform/ui/qt/TextCodec.h"
#include "vidur20/res/ResourceIds.h"

namespace {

constexpr int kButtonFrame = 3; // the bevel (and the default frame) each side of a button's text

struct Variant {
    UINT id;
    LANGID language;
    bool page;
};
const Variant kVariants[] = {
    {IDD_CHOOSER, kLangEnglishUS, false},        {IDD_CHOOSER, kLangFrench, false},
    {IDD_PRINTER_STATUS, kLangEnglishUS, false}, {IDD_PRINTER_STATUS, kLangFrench, false},
    {IDD_NET_GENERAL, kLangEnglishUS, true},     {IDD_NET_GENERAL, kLangFrench, true},
    {IDD_NET_STATISTICS, kLangEnglishUS, true},
};

TEST(TemplateTexts, EveryTextShowsWholeInItsControlInBothLanguages) {
    for (const Variant& v : kVariants) {
        DialogWidget* dialog = ui_detail::buildDialog(RequireTemplate(v.id, v.language), nullptr, v.page);
        ASSERT_NE(dialog, nullptr);
        const QFontMetrics metrics(dialog->font());
        const std::string where = "template " + std::to_string(v.id) + " language " + std::to_string(v.language) + ": ";
        for (auto* button : dialog->findChildren<ButtonWidget*>()) {
            const QString text = ui_detail::withoutPrefixes(button->QPushButton::text());
            EXPECT_LE(metrics.horizontalAdvance(text), button->width() - 2 * kButtonFrame)
                << where << "\"" << text.toStdString() << "\" in " << button->width() << " pixels";
        }
        // A label one line high keeps its text on that line (what lies below the baseline is
        // blank for these texts, as in Win32); a taller one may wrap within its height.
        for (auto* label : dialog->findChildren<StaticWidget*>()) {
            const QString text = label->QLabel::text();
            if (label->height() < 2 * metrics.lineSpacing()) {
                EXPECT_LE(metrics.horizontalAdvance(text), label->width())
                    << where << "\"" << text.toStdString() << "\" in " << label->width() << " pixels";
                continue;
            }
            const QRect needed = metrics.boundingRect(QRect(0, 0, label->width(), 1000), Qt::TextWordWrap, text);
            EXPECT_LE(needed.height(), label->height())
                << where << "\"" << text.toStdString() << "\" in " << label->width() << " x " << label->height();
        }
        for (auto* group : dialog->findChildren<GroupBoxWidget*>())
            EXPECT_LE(metrics.horizontalAdvance(group->title()), group->width() - 16)
                << where << group->title().toStdString();
        dialog->HWND__::destroy(true);
    }
}

} // namespace
