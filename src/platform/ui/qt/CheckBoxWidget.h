// SPDX-License-Identifier: MIT
// A BUTTON control of style BS_AUTOCHECKBOX: a check box that turns itself on and off when
// clicked or given Space, then tells its parent (BN_CLICKED); BM_GETCHECK and BM_SETCHECK.
#pragma once

#include <QCheckBox>

#include "platform/ui/qt/WindowCore.h"

class CheckBoxWidget : public QCheckBox, public HWND__ {
    Q_OBJECT
public:
    CheckBoxWidget(QWidget* parent, UINT id, DWORD style, const QString& text);
    QWidget* widget() override { return this; }
    LRESULT classProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void setText(const CString& text) override;
    CString text() const override;
    std::unique_ptr<CWnd> makeTemporary() override;
};
