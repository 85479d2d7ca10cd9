// SPDX-License-Identifier: MIT
#include "platform/ui/qt/ClassicStyle.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QStyleOption>
#include <cmath>

namespace {

bool scaledAlike(QStyle::PrimitiveElement element) {
    switch (element) {
    case QStyle::PE_FrameDefaultButton:
    case QStyle::PE_PanelButtonCommand:
    case QStyle::PE_PanelButtonBevel:
    case QStyle::PE_FrameButtonBevel:
    case QStyle::PE_FrameFocusRect:
    case QStyle::PE_FrameGroupBox:
    case QStyle::PE_FrameTabWidget: return true;
    default: return false;
    }
}

// A whole number of device pixels per pixel, 2 or more; 0 otherwise.
int wholeScale(const QPainter* painter) {
    const QPaintDevice* device = painter->device();
    if (!device) return 0;
    const qreal ratio = device->devicePixelRatioF();
    const int whole = static_cast<int>(std::lround(ratio));
    return whole >= 2 && std::abs(ratio - whole) < 0.001 ? whole : 0;
}

} // namespace

ClassicStyle::ClassicStyle(QStyle* windows) : QProxyStyle(windows) {}

bool ClassicStyle::drawnDoubled(QPainter* painter, const QRect& area, const std::function<void(QPainter*)>& draw) {
    if (!wholeScale(painter) || area.isEmpty() || !painter->transform().isAffine() ||
        painter->transform().isScaling() || painter->transform().isRotating())
        return false;
    QImage picture(area.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    {
        QPainter onePixel(&picture);
        onePixel.setFont(painter->font());
        onePixel.setPen(painter->pen());
        onePixel.setBrush(painter->brush());
        onePixel.translate(-area.topLeft());
        draw(&onePixel);
    }
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter->drawImage(area.topLeft(), picture);
    painter->restore();
    return true;
}

void ClassicStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const {
    if (scaledAlike(element) && drawnDoubled(painter, option->rect, [&](QPainter* p) {
            QProxyStyle::drawPrimitive(element, option, p, widget);
        }))
        return;
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

// A tab's shape is its own bevel.
void ClassicStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const {
    if (element == CE_TabBarTabShape &&
        drawnDoubled(painter, option->rect, [&](QPainter* p) { QProxyStyle::drawControl(element, option, p, widget); }))
        return;
    QProxyStyle::drawControl(element, option, painter, widget);
}

// A drop-down box: its sunken frame, the arrow button's bevel and the field's focus, all
// from the option; its text is drawn apart (CE_ComboBoxLabel), at the display's scale.
void ClassicStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                      const QWidget* widget) const {
    if (control == CC_ComboBox && drawnDoubled(painter, option->rect, [&](QPainter* p) {
            QProxyStyle::drawComplexControl(control, option, p, widget);
        }))
        return;
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}
