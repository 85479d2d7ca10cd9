#include "platform/ui/qt/DialogBuilder.h"

#include <QApplication>
#include <QFontMetrics>
#include <strings.h>

#include "platform/resources/WindowStyles.h"
#include "platform/ui/qt/ButtonWidget.h"
#include "platform/ui/qt/ComboBoxWidget.h"
#include "platform/ui/qt/DialogWidget.h"
#include "platform/ui/qt/ListBoxWidget.h"
#include "platform/ui/qt/Look.h"
#include "platform/ui/qt/StaticWidget.h"

namespace ui_detail {
namespace {

constexpr DWORD kButtonTypeMask = 0x000F;

bool isClass(const char* windowClass, const char* name) { return windowClass && strcasecmp(windowClass, name) == 0; }

} // namespace

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
    else if (isClass(windowClass, kClassButton))
        control = new ButtonWidget(parent, id, style, text);
    else if (isClass(windowClass, kClassStatic) || isClass(windowClass, kClassEdit))
        control = new StaticWidget(parent, id, style, text);
    else
        return nullptr;
    control->setGeometry(rect);
    return control;
}

DialogWidget* buildDialog(const DialogTemplate& dialog, QWidget* parent, bool child) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
    ensureLookApplied();
    const QFont font = dialogFont();
    const BaseUnits units = baseUnits(font);
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
