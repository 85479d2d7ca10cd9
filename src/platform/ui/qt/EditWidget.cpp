// SPDX-License-Identifier: MIT
#include "platform/ui/qt/EditWidget.h"

#include <QKeyEvent>

#include "platform/resources/WindowStyles.h"
#include "platform/ui/qt/TextCodec.h"

EditWidget::EditWidget(QWidget* parent, UINT id, DWORD style, const QString& text)
    : QLineEdit(text, parent), HWND__(id, style) {
    if (style & ES_PASSWORD) setEchoMode(QLineEdit::Password);
}

void EditWidget::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape: event->ignore(); return;
    default: QLineEdit::keyPressEvent(event);
    }
}

void EditWidget::setText(const CString& text) { QLineEdit::setText(ui_detail::fromMacRoman(text.View())); }

CString EditWidget::text() const {
    const std::string bytes = ui_detail::toMacRoman(QLineEdit::text());
    return CString(bytes.data(), static_cast<int>(bytes.size()));
}
