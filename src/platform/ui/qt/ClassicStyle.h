// SPDX-License-Identifier: MIT
// The classic look's style: Qt's Windows style, but on a display of two or more device
// pixels per pixel its bevels, frames and focus dots are drawn as at one pixel and doubled,
// as the text and the icons are. Qt's own drawing keeps them one device pixel thin at any
// scale, which on a doubled window reads as hairlines round full-size controls.
#pragma once

#include <QProxyStyle>
#include <functional>

class ClassicStyle : public QProxyStyle {
    Q_OBJECT
public:
    // Takes `windows`, Qt's Windows style.
    explicit ClassicStyle(QStyle* windows);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override;

private:
    // Draws with `draw` at one pixel into a picture of `area`, and the picture doubled (each
    // pixel a square); false, drawing nothing, where a pixel is one device pixel or a
    // fraction more, where Qt's own drawing is kept.
    static bool drawnDoubled(QPainter* painter, const QRect& area, const std::function<void(QPainter*)>& draw);
};
