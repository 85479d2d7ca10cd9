// SPDX-License-Identifier: MIT
#include "platform/ui/qt/DialogBuilder.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>
#include <strings.h>

#include "platform/resources/WindowStyles.h"
#include "platform/ui/qt/ButtonWidget.h"
#include "platform/ui/qt/CheckBoxWidget.h"
#include "platform/ui/qt/ComboBoxWidget.h"
#include "platform/ui/qt/DeviceContext.h"
#include "platform/ui/qt/DialogWidget.h"
#include "platform/ui/qt/EditWidget.h"
#include "platform/ui/qt/ListBoxWidget.h"
#include "platform/ui/qt/Look.h"
#include "platform/ui/qt/RadioButtonWidget.h"
#include "platform/ui/qt/StaticWidget.h"
#include "platform/ui/qt/TextCodec.h"

namespace ui_detail {
namespace {

constexpr DWORD kButtonTypeMask = 0x000F;

constexpr int kGroupTitleMargin = 16; // a group box's title sits inside its frame's corners
constexpr short kTwoLineUnits = 16; // a static at least this high may wrap its text

bool isClass(const char* windowClass, const char* name) { return windowClass && strcasecmp(windowClass, name) == 0; }

// What the style puts round a push button's text: its frame, its margins and the default frame.
int pushButtonChrome() {
    constexpr int kSample = 200;
    QStyleOptionButton option;
    option.rect = QRect(0, 0, kSample, 30);
    option.features = QStyleOptionButton::DefaultButton | QStyleOptionButton::AutoDefaultButton;
    return kSample - QApplication::style()->subElementRect(QStyle::SE_PushButtonContents, &option, nullptr).width();
}

// The pixels the control's template text needs across, with what the control draws round it;
// 0 for a control whose text may wrap or that shows none.
int textRoom(const DialogItemTemplate& item, const QFontMetrics& metrics) {
    const QString text = withoutPrefixes(QString::fromUtf8(item.text ? item.text : ""));
    if (text.isEmpty()) return 0;
    const int width = metrics.horizontalAdvance(text);
    if (isClass(item.windowClass, kClassButton) && (item.style & kButtonTypeMask) == BS_GROUPBOX)
        return width + kGroupTitleMargin;
    if (isClass(item.windowClass, kClassButton)) return width + pushButtonChrome();
    if (isClass(item.windowClass, kClassStatic) && item.cy < kTwoLineUnits) return width;
    return 0;
}

} // namespace

// The classic look keeps the units of the font the templates were drawn for. Another font's
// average width does not tell how wide its texts come out, nor does another style keep
// Win32's margins in a button ("Arrêter la recherche" came out cut): the native look widens
// its horizontal unit until every text of the template fits whole in its control.
BaseUnits unitsFor(const DialogTemplate& dialog, const QFont& font) {
    BaseUnits units = baseUnits(font);
    if (!nativeLook()) return units;
    const QFontMetrics metrics(font);
    for (const DialogItemTemplate& item : dialog.items) {
        const int needed = textRoom(item, metrics);
        if (needed > 0 && item.cx > 0) units.x = std::max(units.x, (needed * 4 + item.cx - 1) / item.cx);
    }
    return units;
}

QWidget* createControl(const char* windowClass, const char* utf8Text, UINT id, DWORD style, const QRect& rect,
                       QWidget* parent) {
    const QString text = QString::fromUtf8(utf8Text ? utf8Text : "");
    QWidget* control = nullptr;
    if (isClass(windowClass, kClassComboBox)) {
        // The rectangle's height is that of the dropped list; the closed box is one line high.
        const int fieldHeight = QFontMetrics(parent->font()).height() + 2;
        control = new ComboBoxWidget(parent, id, style, fieldHeight, rect.height());
        control->setGeometry(rect.x(), rect.y(), rect.width(), control->height());
        return control;
    }
    if (isClass(windowClass, kClassListBox))
        control = new ListBoxWidget(parent, id, style, baseUnits(parent->font()).x);
    else if (isClass(windowClass, kClassButton) && (style & kButtonTypeMask) == BS_GROUPBOX)
        control = new GroupBoxWidget(parent, id, style, text);
    else if (isClass(windowClass, kClassButton) && (style & kButtonTypeMask) == BS_AUTOCHECKBOX)
        control = new CheckBoxWidget(parent, id, style, text);
    else if (isClass(windowClass, kClassButton) && (style & kButtonTypeMask) == BS_AUTORADIOBUTTON)
        control = new RadioButtonWidget(parent, id, style, text);
    else if (isClass(windowClass, kClassButton))
        control = new ButtonWidget(parent, id, style, text);
    else if (isClass(windowClass, kClassEdit))
        control = new EditWidget(parent, id, style, text);
    else if (isClass(windowClass, kClassStatic))
        control = new StaticWidget(parent, id, style, text);
    else
        return nullptr;
    control->setGeometry(rect);
    return control;
}

HWND createChildControl(const char* windowClass, const char* utf8Text, UINT id, DWORD style, const RECT& rect,
                        HWND parent) {
    if (!HWND__::isLive(parent)) return nullptr;
    QWidget* control = createControl(windowClass, utf8Text, id, style, toQRect(rect), parent->widget());
    return control ? HWND__::fromWidget(control) : nullptr;
}

DialogWidget* buildDialog(const DialogTemplate& dialog, HWND parentWindow, bool child) {
    QWidget* parent = HWND__::isLive(parentWindow) ? parentWindow->widget() : nullptr;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
    ensureLookApplied();
    const QFont font = dialogFont();
    const BaseUnits units = unitsFor(dialog, font);
    auto* widget = new DialogWidget(parent, dialog.id, dialog.style, child);
    widget->setFont(font);
    if (!child) widget->setWindowTitle(QString::fromUtf8(dialog.caption ? dialog.caption : ""));
    const QRect frame = dialogUnitsToPixels(dialog.x, dialog.y, dialog.cx, dialog.cy, units);
    widget->setFixedSize(frame.size());
    if (!child && parent) widget->move(parent->window()->geometry().topLeft() + frame.topLeft());
    for (const DialogItemTemplate& item : dialog.items) {
        QWidget* control = createControl(item.windowClass, item.text, item.id, item.style,
                                         dialogUnitsToPixels(item.x, item.y, item.cx, item.cy, units), widget);
        if (!control) continue;
        if (item.style & WS_DISABLED) control->setEnabled(false);
        if (!(item.style & WS_TABSTOP)) control->setFocusPolicy(Qt::NoFocus);
    }
    return widget;
}

} // namespace ui_detail
