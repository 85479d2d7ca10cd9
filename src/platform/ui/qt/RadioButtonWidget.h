// SPDX-License-Identifier: MIT
// A BUTTON control of style BS_AUTORADIOBUTTON: one of the radio buttons of its dialog, of
// which one is on; a click, Space or an arrow key turns this one on and tells the parent
// (BN_CLICKED). BM_SETCHECK with BST_CHECKED turns the others off too: what the dialogs ask
// for with CheckRadioButton, which is all they use.
#pragma once

#include <QRadioButton>

#include "platform/ui/qt/WindowCore.h"

class RadioButtonWidget : public QRadioButton, public HWND__ {
    Q_OBJECT
public:
    RadioButtonWidget(QWidget* parent, UINT id, DWORD style, const QString& text);
    QWidget* widget() override { return this; }
    LRESULT classProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void setText(const CString& text) override;
    CString text() const override;
    std::unique_ptr<CWnd> makeTemporary() override;
};
