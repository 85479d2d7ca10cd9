// SPDX-License-Identifier: MIT
// The Win32 functions that reach into the windows themselves: posting, enabling, finding a
// control, the class cursor, system colours, icons, drawing text and icons, the owner of a
// message box.
#include "platform/ui/Win32Api.h"

#include <QApplication>
#include <QCursor>
#include <QMetaObject>
#include <QPalette>
#include <QPointer>
#include <map>
#include <memory>

#include "platform/resources/ResourceChain.h"
#include "platform/ui/qt/DeviceContext.h"
#include "platform/ui/qt/DialogFocus.h"
#include "platform/ui/qt/Look.h"
#include "platform/ui/qt/TextCodec.h"
#include "platform/ui/qt/WindowCore.h"

using namespace ui_detail;

namespace {

constexpr int kIconSize = 32;
constexpr std::uintptr_t kCursorWait = 32514;

std::map<UINT, std::unique_ptr<HICON__>>& icons() {
    static std::map<UINT, std::unique_ptr<HICON__>> loaded;
    return loaded;
}

} // namespace

BOOL PostMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!HWND__::isLive(hWnd)) return FALSE;
    QPointer<QWidget> target = hWnd->widget();
    QMetaObject::invokeMethod(
        target,
        [target, hWnd, msg, wParam, lParam] {
            if (target && HWND__::isLive(hWnd)) hWnd->send(msg, wParam, lParam);
        },
        Qt::QueuedConnection);
    return TRUE;
}

HWND SetFocus(HWND hWnd) {
    QWidget* previous = QApplication::focusWidget();
    if (HWND__::isLive(hWnd)) hWnd->widget()->setFocus(Qt::OtherFocusReason);
    return previous ? HWND__::fromWidget(previous) : nullptr;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
    if (!HWND__::isLive(hWnd)) return FALSE;
    QWidget* w = hWnd->widget();
    const BOOL wasDisabled = w->testAttribute(Qt::WA_ForceDisabled) ? TRUE : FALSE;
    // Qt would hand the focus to the next control at once (after a Chooser look-up, Cancel,
    // which Enter would then press); the dialog places it as a dialog manager does.
    if (!bEnable) DialogFocus::beforeDisable(w);
    w->setEnabled(bEnable != FALSE);
    return wasDisabled;
}

// A window's own state, as Win32 keeps it, whatever its parent's.
BOOL IsWindowEnabled(HWND hWnd) {
    return HWND__::isLive(hWnd) && !hWnd->widget()->testAttribute(Qt::WA_ForceDisabled) ? TRUE : FALSE;
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem) {
    if (!HWND__::isLive(hDlg)) return nullptr;
    for (QObject* child : hDlg->widget()->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (HWND h = widget ? HWND__::fromWidget(widget) : nullptr;
            HWND__::isLive(h) && static_cast<int>(h->id_) == nIDDlgItem)
            return h;
    }
    return nullptr;
}

DWORD SetClassLongA(HWND hWnd, int nIndex, LONG dwNewLong) {
    if (!HWND__::isLive(hWnd) || nIndex != GCL_HCURSOR) return 0;
    const auto previous = static_cast<DWORD>(hWnd->classCursor_);
    hWnd->classCursor_ = dwNewLong;
    if (static_cast<std::uintptr_t>(dwNewLong) == kCursorWait)
        hWnd->widget()->setCursor(Qt::WaitCursor);
    else
        hWnd->widget()->unsetCursor();
    return previous;
}

COLORREF GetSysColor(int nIndex) {
    QPalette::ColorRole role;
    COLORREF classic;
    switch (nIndex) {
    case COLOR_HIGHLIGHT: role = QPalette::Highlight, classic = RGB(0, 0, 128); break;
    case COLOR_HIGHLIGHTTEXT: role = QPalette::HighlightedText, classic = RGB(255, 255, 255); break;
    case COLOR_WINDOW: role = QPalette::Base, classic = RGB(255, 255, 255); break;
    case COLOR_WINDOWTEXT: role = QPalette::Text, classic = RGB(0, 0, 0); break;
    case COLOR_BTNFACE: role = QPalette::Button, classic = RGB(192, 192, 192); break;
    default: return 0;
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return classic;
    ensureLookApplied();
    return fromQColor(QApplication::palette().color(QPalette::Active, role));
}

HICON AfxLoadIcon(UINT nIDResource) {
    auto& loaded = icons();
    if (auto it = loaded.find(nIDResource); it != loaded.end()) return it->second.get();
    const IconResource* icon = ResourceChain::instance().findIcon(nIDResource);
    if (!icon || !icon->xpm || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return nullptr;
    QPixmap pixmap(icon->xpm);
    if (pixmap.isNull()) return nullptr;
    if (pixmap.size() != QSize(kIconSize, kIconSize)) pixmap = pixmap.scaled(kIconSize, kIconSize);
    auto handle = std::make_unique<HICON__>(HICON__{pixmap});
    return loaded.emplace(nIDResource, std::move(handle)).first->second.get();
}

HICON LoadIconA(HINSTANCE, LPCSTR lpIconName) {
    if (!lpIconName || !IS_INTRESOURCE(lpIconName)) return nullptr;
    return AfxLoadIcon(static_cast<UINT>(reinterpret_cast<std::uintptr_t>(lpIconName)));
}

BOOL DrawIcon(HDC hDC, int x, int y, HICON hIcon) {
    if (!hDC || !hIcon) return FALSE;
    // Pixel art: on a scaled display each pixel becomes a square, never a blur (the style may
    // have left smoothing on in the painter).
    hDC->painter.save();
    hDC->painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    hDC->painter.drawPixmap(x, y, hIcon->pixmap);
    hDC->painter.restore();
    return TRUE;
}

int DrawTextA(HDC hDC, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    if (!hDC || !lpchText || !lprc) return 0;
    const std::string_view bytes =
        cchText < 0 ? std::string_view(lpchText) : std::string_view(lpchText, static_cast<std::size_t>(cchText));
    QString text = fromMacRoman(bytes);
    if (!(format & DT_NOPREFIX)) text = ui_detail::withoutPrefixes(text);
    int flags = (format & DT_CENTER) ? Qt::AlignHCenter : (format & DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    if (format & DT_SINGLELINE) {
        flags |= Qt::TextSingleLine;
        flags |= (format & DT_VCENTER) ? Qt::AlignVCenter : (format & DT_BOTTOM) ? Qt::AlignBottom : Qt::AlignTop;
    } else {
        flags |= Qt::TextWordWrap | Qt::AlignTop;
    }
    QPainter& painter = hDC->painter;
    const QRect rect = toQRect(*lprc);
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip); // DrawText clips to its rectangle
    painter.setFont(hDC->font);
    const QRect bounds = painter.boundingRect(rect, flags, text);
    if (hDC->bkMode == OPAQUE) painter.fillRect(bounds.intersected(rect), toQColor(hDC->bkColor));
    painter.setPen(toQColor(hDC->textColor));
    painter.drawText(rect, flags, text);
    painter.restore();
    return bounds.height();
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT) {
    HWND owner = nullptr;
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        if (QWidget* active = QApplication::activeWindow()) owner = HWND__::fromWidget(active);
    return MessageBoxA(owner, lpszText, nullptr, nType);
}
