// SPDX-License-Identifier: MIT
// An EDIT control: one line of text the user types, hidden behind stars with ES_PASSWORD.
// Enter and Escape go on to the dialog (its default button, Cancel), as in Win32.
#pragma once

#include <QLineEdit>

#include "platform/ui/qt/WindowCore.h"

class EditWidget : public QLineEdit, public HWND__ {
    Q_OBJECT
public:
    EditWidget(QWidget* parent, UINT id, DWORD style, const QString& text);
    QWidget* widget() override { return this; }
    void setText(const CString& text) override;
    CString text() const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
