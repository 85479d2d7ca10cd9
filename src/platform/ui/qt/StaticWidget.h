// SPDX-License-Identifier: MIT
// A STATIC control: one or more lines of text, word-wrapped as SS_LEFT text is, aligned by
// its style; or a group box frame (a BUTTON of style BS_GROUPBOX) with its title.
#pragma once

#include <QGroupBox>
#include <QLabel>

#include "platform/ui/qt/WindowCore.h"

class StaticWidget : public QLabel, public HWND__ {
    Q_OBJECT
public:
    StaticWidget(QWidget* parent, UINT id, DWORD style, const QString& text);
    QWidget* widget() override { return this; }
    void setText(const CString& text) override;
    CString text() const override;
    std::unique_ptr<CWnd> makeTemporary() override;

private:
    CString text_; // as set, with any '&' the label shows as a mnemonic
};

class GroupBoxWidget : public QGroupBox, public HWND__ {
    Q_OBJECT
public:
    GroupBoxWidget(QWidget* parent, UINT id, DWORD style, const QString& text);
    QWidget* widget() override { return this; }
    void setText(const CString& text) override;
    CString text() const override;
    std::unique_ptr<CWnd> makeTemporary() override;
};
