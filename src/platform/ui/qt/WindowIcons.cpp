// SPDX-License-Identifier: MIT
#include "platform/ui/qt/WindowIcons.h"

#include "platform/ui/UiApplication.h"
#include "platform/ui/qt/DeviceContext.h"

namespace ui_detail {
namespace {

HICON g_defaultIcon = nullptr;

void addPixelArt(QIcon& icon, HICON handle) {
    if (!handle || handle->pixmap.isNull()) return;
    const QPixmap& pixmap = handle->pixmap;
    icon.addPixmap(pixmap);
    icon.addPixmap(pixmap.scaled(pixmap.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

} // namespace

QIcon windowIconFrom(HICON big, HICON small) {
    if (!big && !small) return defaultWindowIcon();
    QIcon icon;
    addPixelArt(icon, big);
    if (small != big) addPixelArt(icon, small);
    return icon;
}

QIcon defaultWindowIcon() {
    QIcon icon;
    addPixelArt(icon, g_defaultIcon);
    return icon;
}

} // namespace ui_detail

void SetDefaultWindowIcon(HICON icon) { ui_detail::g_defaultIcon = icon; }
