// SPDX-License-Identifier: MIT
#include "platform/ui/qt/CheckBoxWidget.h"

#include "platform/ui/CButton.h"
#include "platform/ui/qt/TextCodec.h"

CheckBoxWidget::CheckBoxWidget(QWidget* parent, UINT id, DWORD style, const QString& text)
    : QCheckBox(text, parent), HWND__(id, style) {
    connect(this, &QCheckBox::clicked, this, [this] { notifyParent(BN_CLICKED); });
}

LRESULT CheckBoxWidget::classProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case BM_GETCHECK: return isChecked() ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK: setChecked(wParam == BST_CHECKED); return 0;
    default: return HWND__::classProc(message, wParam, lParam);
    }
}

void CheckBoxWidget::setText(const CString& text) { QCheckBox::setText(ui_detail::fromMacRoman(text.View())); }

CString CheckBoxWidget::text() const {
    const std::string bytes = ui_detail::toMacRoman(QCheckBox::text());
    return CString(bytes.data(), static_cast<int>(bytes.size()));
}

std::unique_ptr<CWnd> CheckBoxWidget::makeTemporary() { return std::make_unique<CButton>(); }
