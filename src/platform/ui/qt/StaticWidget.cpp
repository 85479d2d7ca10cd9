// SPDX-License-Identifier: MIT
#include "platform/ui/qt/StaticWidget.h"

#include "platform/resources/WindowStyles.h"
#include "platform/ui/CButton.h"
#include "platform/ui/CStatic.h"
#include "platform/ui/qt/TextCodec.h"

namespace {
constexpr DWORD kStaticTypeMask = 0x001F;

Qt::Alignment alignmentOf(DWORD style) {
    switch (style & kStaticTypeMask) {
    case SS_CENTER: return Qt::AlignHCenter | Qt::AlignTop;
    case SS_RIGHT: return Qt::AlignRight | Qt::AlignTop;
    default: return Qt::AlignLeft | Qt::AlignTop;
    }
}

} // namespace

StaticWidget::StaticWidget(QWidget* parent, UINT id, DWORD style, const QString& text)
    : QLabel(parent), HWND__(id, style) {
    setAlignment(alignmentOf(style));
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    const std::string bytes = ui_detail::toMacRoman(text);
    setText(CString(bytes.data(), static_cast<int>(bytes.size())));
}

void StaticWidget::setText(const CString& text) {
    text_ = text;
    const QString shown = ui_detail::fromMacRoman(text.View());
    // A label shows the mnemonic underline only with a buddy; without one the prefixes go.
    QLabel::setText(buddy() ? shown : ui_detail::withoutPrefixes(shown));
}

CString StaticWidget::text() const { return text_; }

std::unique_ptr<CWnd> StaticWidget::makeTemporary() { return std::make_unique<CStatic>(); }

GroupBoxWidget::GroupBoxWidget(QWidget* parent, UINT id, DWORD style, const QString& text)
    : QGroupBox(text, parent), HWND__(id, style) {}

void GroupBoxWidget::setText(const CString& text) { setTitle(ui_detail::fromMacRoman(text.View())); }

CString GroupBoxWidget::text() const {
    const std::string bytes = ui_detail::toMacRoman(title());
    return CString(bytes.data(), static_cast<int>(bytes.size()));
}

std::unique_ptr<CWnd> GroupBoxWidget::makeTemporary() { return std::make_unique<CButton>(); }
