// SPDX-License-Identifier: MIT
#include "platform/ui/qt/RadioButtonWidget.h"

#include "platform/ui/CButton.h"
#include "platform/ui/qt/TextCodec.h"

RadioButtonWidget::RadioButtonWidget(QWidget* parent, UINT id, DWORD style, const QString& text)
    : QRadioButton(text, parent), HWND__(id, style) {
    // The arrow keys move the choice as well as the focus, as in a Win32 group.
    connect(this, &QRadioButton::toggled, this, [this](bool on) {
        if (on) notifyParent(BN_CLICKED);
    });
}

LRESULT RadioButtonWidget::classProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case BM_GETCHECK: return isChecked() ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK: {
        // Qt keeps one of a group on: turning this one off means taking it out of the group.
        const QSignalBlocker quiet(this);
        setAutoExclusive(wParam == BST_CHECKED);
        setChecked(wParam == BST_CHECKED);
        setAutoExclusive(true);
        return 0;
    }
    default: return HWND__::classProc(message, wParam, lParam);
    }
}

void RadioButtonWidget::setText(const CString& text) { QRadioButton::setText(ui_detail::fromMacRoman(text.View())); }

CString RadioButtonWidget::text() const {
    const std::string bytes = ui_detail::toMacRoman(QRadioButton::text());
    return CString(bytes.data(), static_cast<int>(bytes.size()));
}

std::unique_ptr<CWnd> RadioButtonWidget::makeTemporary() { return std::make_unique<CButton>(); }
