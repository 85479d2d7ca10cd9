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

QWidget* createControl(const DialogItemTemplate& item, DialogWidget* dialog, BaseUnits units) {
    const QString text = QString::fromUtf8(item.text ? item.text : "");
    const QRect rect = dialogUnitsToPixels(item.x, item.y, item.cx, item.cy, units);
    QWidget* control = nullptr;
    if (isClass(item.windowClass, kClassComboBox)) {
        // The template's height is that of the dropped list; the closed box is one line high.
        const int fieldHeight = QFontMetrics(dialog->font()).height() + 2;
        control = new ComboBoxWidget(dialog, item.id, item.style, fieldHeight, rect.height());
        control->setGeometry(rect.x(), rect.y(), rect.width(), control->height());
        return control;
    }
    if (isClass(item.windowClass, kClassListBox))
        control = new ListBoxWidget(dialog, item.id, item.style, units.x);
    else if (isClass(item.windowClass, kClassButton) && (item.style & kButtonTypeMask) == BS_GROUPBOX)
        control = new GroupBoxWidget(dialog, item.id, item.style, text);
    else if (isClass(item.windowClass, kClassButton))
        control = new ButtonWidget(dialog, item.id, item.style, text);
    else
        control = new StaticWidget(dialog, item.id, item.style, text);
    control->setGeometry(rect);
    return control;
}

} // namespace

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
        QWidget* control = createControl(item, widget, units);
        if (item.style & WS_DISABLED) control->setEnabled(false);
        if (!(item.style & WS_TABSTOP)) control->setFocusPolicy(Qt::NoFocus);
    }
    return widget;
}

} // namespace ui_detail
