// SPDX-License-Identifier: MIT
// A BUTTON control: a push button (BN_CLICKED to its parent) or a default push button.
#pragma once

#include <QPushButton>

class QStyleOptionButton;

#include "platform/ui/qt/WindowCore.h"

class ButtonWidget : public QPushButton, public HWND__ {
    Q_OBJECT
public:
    ButtonWidget(QWidget* parent, UINT id, DWORD style, const QString& text);
    QWidget* widget() override { return this; }
    void setText(const CString& text) override;
    CString text() const override;
    std::unique_ptr<CWnd> makeTemporary() override;

    bool isPushButton() const;
    bool isDefault() const;
    // Whether the dark default frame is drawn round this button now (see the .cpp).
    bool showsDefaultFrame() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void updateSiblingButtons();
    void drawMnemonicUnderline(QPainter& painter, const QStyleOptionButton& option, const QString& shown, int index);
};
