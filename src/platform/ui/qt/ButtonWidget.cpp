// SPDX-License-Identifier: MIT
#include "platform/ui/qt/ButtonWidget.h"

#include <QFontMetrics>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "platform/resources/WindowStyles.h"
#include "platform/ui/CButton.h"
#include "platform/ui/qt/TextCodec.h"

namespace {
constexpr DWORD kButtonTypeMask = 0x000F;
}

ButtonWidget::ButtonWidget(QWidget* parent, UINT id, DWORD style, const QString& text)
    : QPushButton(text, parent), HWND__(id, style) {
    // Enter is the dialog's business (DialogWidget), as in the Win32 dialog manager; the
    // default frame is drawn here (paintEvent), so Qt's own default state stays off.
    setAutoDefault(false);
    setDefault(false);
    connect(this, &QPushButton::clicked, this, [this] { notifyParent(BN_CLICKED); });
}

bool ButtonWidget::isPushButton() const {
    const DWORD type = style_ & kButtonTypeMask;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

bool ButtonWidget::isDefault() const { return (style_ & kButtonTypeMask) == BS_DEFPUSHBUTTON; }

// The dialog manager gives the dark frame to the push button that has the focus, and to the
// default push button (DM_GETDEFID) while no push button has it.
bool ButtonWidget::showsDefaultFrame() const {
    if (!isPushButton()) return false;
    auto* focused = dynamic_cast<ButtonWidget*>(window()->focusWidget());
    if (focused && focused->isPushButton() && focused->isEnabled()) return focused == this;
    return isDefault();
}

// Qt's Windows style draws the frame only round a button that also leaves room for it
// (AutoDefaultButton); otherwise the bevel covers it. Win32 draws a default push button as a
// one-pixel dark frame with the bevel inside, and a plain one as the bevel alone.
void ButtonWidget::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.features &= ~(QStyleOptionButton::DefaultButton | QStyleOptionButton::AutoDefaultButton);
    if (showsDefaultFrame())
        option.features |= QStyleOptionButton::DefaultButton | QStyleOptionButton::AutoDefaultButton;
    // The label goes without its prefix ("&&" shown as one ampersand), its underline after.
    const QString shown = ui_detail::withoutPrefixes(option.text);
    const int mnemonic = ui_detail::mnemonicIndex(option.text);
    option.text = QString(shown).replace(QLatin1Char('&'), QStringLiteral("&&"));
    painter.drawControl(QStyle::CE_PushButton, option);
    if (mnemonic >= 0) drawMnemonicUnderline(painter, option, shown, mnemonic);
}

// Win32 underlines a mnemonic with one line of one pixel right under the baseline, as wide
// as the letter's advance. Qt draws the font's underline, two pixels thick for the classic
// bitmap face, which reads as a bar stuck to the letter.
void ButtonWidget::drawMnemonicUnderline(QPainter& painter, const QStyleOptionButton& option, const QString& shown,
                                         int index) {
    QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    if (option.state & (QStyle::State_Sunken | QStyle::State_On))
        contents.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                           style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    const QFontMetrics metrics(font());
    const QRect text = QStyle::alignedRect(layoutDirection(), Qt::AlignCenter,
                                           QSize(metrics.horizontalAdvance(shown), metrics.height()), contents);
    const int x = text.left() + metrics.horizontalAdvance(shown.left(index));
    const int width = metrics.horizontalAdvance(shown.at(index));
    const int y = text.top() + metrics.ascent();
    painter.setPen(option.palette.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawLine(x, y, x + width - 1, y);
}

void ButtonWidget::focusInEvent(QFocusEvent* event) {
    QPushButton::focusInEvent(event);
    updateSiblingButtons();
}

void ButtonWidget::focusOutEvent(QFocusEvent* event) {
    QPushButton::focusOutEvent(event);
    updateSiblingButtons();
}

// The frame moves between the window's push buttons as the focus does, a page's and its
// sheet's alike.
void ButtonWidget::updateSiblingButtons() {
    for (ButtonWidget* button : window()->findChildren<ButtonWidget*>()) button->update();
}

void ButtonWidget::setText(const CString& text) { QPushButton::setText(ui_detail::fromMacRoman(text.View())); }

CString ButtonWidget::text() const {
    const std::string bytes = ui_detail::toMacRoman(QPushButton::text());
    return CString(bytes.data(), static_cast<int>(bytes.size()));
}

std::unique_ptr<CWnd> ButtonWidget::makeTemporary() { return std::make_unique<CButton>(); }
