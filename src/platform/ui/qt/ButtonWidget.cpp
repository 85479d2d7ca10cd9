#include "platform/ui/qt/ButtonWidget.h"

#include "platform/resources/WindowStyles.h"
#include "platform/ui/CButton.h"
#include "platform/ui/qt/TextCodec.h"

namespace {
constexpr DWORD kButtonTypeMask = 0x000F;
}

ButtonWidget::ButtonWidget(QWidget* parent, UINT id, DWORD style, const QString& text)
    : QPushButton(text, parent), HWND__(id, style) {
    // Enter is the dialog's business (DialogWidget), as in the Win32 dialog manager.
    setAutoDefault(false);
    setDefault(isDefault());
    connect(this, &QPushButton::clicked, this, [this] { notifyParent(BN_CLICKED); });
}

bool ButtonWidget::isPushButton() const {
    const DWORD type = m_style & kButtonTypeMask;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

bool ButtonWidget::isDefault() const { return (m_style & kButtonTypeMask) == BS_DEFPUSHBUTTON; }

void ButtonWidget::setText(const CString& text) { QPushButton::setText(ui_detail::fromMacRoman(text.View())); }

CString ButtonWidget::text() const {
    const std::string bytes = ui_detail::toMacRoman(QPushButton::text());
    return CString(bytes.data(), static_cast<int>(bytes.size()));
}

std::unique_ptr<CWnd> ButtonWidget::makeTemporary() { return std::make_unique<CButton>(); }
