#include "platform/ui/Win32Api.h"

#include <QApplication>
#include <QCursor>
#include <QMetaObject>
#include <QPalette>
#include <QPointer>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_set>

#include "text/MacRoman.h"
#include "platform/resources/ResourceChain.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/MessageBoxService.h"
#include "platform/ui/SleepService.h"
#include "platform/ui/qt/DeviceContext.h"
#include "platform/ui/qt/Look.h"
#include "platform/ui/qt/TextCodec.h"
#include "platform/ui/qt/WindowCore.h"

using namespace ui_detail;

namespace {

constexpr int kIconSize = 32;
constexpr UINT kAppTitleString = 0xE000; // the host's application title, the boxes' caption
constexpr std::uintptr_t kCursorArrow = 32512;
constexpr std::uintptr_t kCursorWait = 32514;

std::unordered_set<HBRUSH>& brushes() {
    static std::unordered_set<HBRUSH> live;
    return live;
}

std::map<UINT, std::unique_ptr<HICON__>>& icons() {
    static std::map<UINT, std::unique_ptr<HICON__>> loaded;
    return loaded;
}

CString toCString(const std::string& bytes) { return CString(bytes.data(), static_cast<int>(bytes.size())); }

} // namespace

LRESULT SendMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return HWND__::isLive(hWnd) ? hWnd->send(msg, wParam, lParam) : 0;
}

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

BOOL IsWindow(HWND hWnd) { return HWND__::isLive(hWnd) ? TRUE : FALSE; }

BOOL EnableWindow(HWND hWnd, BOOL bEnable) {
    if (!HWND__::isLive(hWnd)) return FALSE;
    QWidget* w = hWnd->widget();
    const BOOL wasDisabled = w->testAttribute(Qt::WA_ForceDisabled) ? TRUE : FALSE;
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
        if (HWND h = widget ? HWND__::fromWidget(widget) : nullptr; HWND__::isLive(h) && static_cast<int>(h->m_id) == nIDDlgItem)
            return h;
    }
    return nullptr;
}

BOOL DestroyWindow(HWND hWnd) {
    if (!HWND__::isLive(hWnd)) return FALSE;
    hWnd->destroy();
    return TRUE;
}

DWORD SetClassLongA(HWND hWnd, int nIndex, LONG dwNewLong) {
    if (!HWND__::isLive(hWnd) || nIndex != GCL_HCURSOR) return 0;
    const auto previous = static_cast<DWORD>(hWnd->m_classCursor);
    hWnd->m_classCursor = dwNewLong;
    if (static_cast<std::uintptr_t>(dwNewLong) == kCursorWait)
        hWnd->widget()->setCursor(Qt::WaitCursor);
    else
        hWnd->widget()->unsetCursor();
    return previous;
}

DWORD GetClassLongA(HWND hWnd, int nIndex) {
    if (!HWND__::isLive(hWnd) || nIndex != GCL_HCURSOR) return 0;
    return static_cast<DWORD>(hWnd->m_classCursor);
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR lpCursorName) {
    const auto id = reinterpret_cast<std::uintptr_t>(lpCursorName);
    return id == kCursorArrow || id == kCursorWait ? reinterpret_cast<HCURSOR>(id) : nullptr;
}

int GetSystemMetrics(int nIndex) { return nIndex == SM_CXICON || nIndex == SM_CYICON ? kIconSize : 0; }

COLORREF GetSysColor(int nIndex) {
    QPalette::ColorRole role;
    COLORREF classic;
    switch (nIndex) {
    case COLOR_HIGHLIGHT:
        role = QPalette::Highlight, classic = RGB(0, 0, 128);
        break;
    case COLOR_HIGHLIGHTTEXT:
        role = QPalette::HighlightedText, classic = RGB(255, 255, 255);
        break;
    case COLOR_WINDOW:
        role = QPalette::Base, classic = RGB(255, 255, 255);
        break;
    case COLOR_WINDOWTEXT:
        role = QPalette::Text, classic = RGB(0, 0, 0);
        break;
    case COLOR_BTNFACE:
        role = QPalette::Button, classic = RGB(192, 192, 192);
        break;
    default:
        return 0;
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

BOOL AfxLoadString(UINT nID, CString& rString) {
    const char* utf8 = ResourceChain::instance().findString(nID);
    if (!utf8) {
        rString.Empty();
        return FALSE;
    }
    rString = toCString(appletalk::text::utf8ToMacRoman(utf8).macRoman);
    return TRUE;
}

CString AfxLoadStringOrEmpty(UINT nID) {
    CString s;
    AfxLoadString(nID, s);
    return s;
}

int LoadStringA(HINSTANCE, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
    if (!lpBuffer || cchBufferMax <= 0) return 0;
    CString s;
    AfxLoadString(uID, s);
    const int n = std::min(s.GetLength(), cchBufferMax - 1);
    std::memcpy(lpBuffer, static_cast<LPCSTR>(s), static_cast<std::size_t>(n));
    lpBuffer[n] = '\0';
    return n;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto* brush = new HBRUSH__{color};
    brushes().insert(brush);
    return brush;
}

BOOL DeleteObject(HGDIOBJ hObject) {
    auto* brush = static_cast<HBRUSH>(hObject);
    if (!brushes().erase(brush)) return FALSE;
    delete brush;
    return TRUE;
}

// Besides brushes, a system colour index plus one names that colour's brush, as in Win32.
int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    if (!hDC || !lprc || !hbr) return 0;
    const auto value = reinterpret_cast<std::uintptr_t>(hbr);
    COLORREF color;
    if (brushes().count(hbr))
        color = hbr->color;
    else if (value >= 1 && value <= 31)
        color = GetSysColor(static_cast<int>(value - 1));
    else
        return 0;
    hDC->painter.fillRect(toQRect(*lprc), toQColor(color));
    return 1;
}

BOOL DrawIcon(HDC hDC, int x, int y, HICON hIcon) {
    if (!hDC || !hIcon) return FALSE;
    hDC->painter.drawPixmap(x, y, hIcon->pixmap);
    return TRUE;
}

int DrawTextA(HDC hDC, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    if (!hDC || !lpchText || !lprc) return 0;
    const std::string_view bytes = cchText < 0 ? std::string_view(lpchText) : std::string_view(lpchText, static_cast<std::size_t>(cchText));
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

COLORREF SetTextColor(HDC hDC, COLORREF color) {
    if (!hDC) return 0xFFFFFFFF; // CLR_INVALID
    const COLORREF previous = hDC->textColor;
    hDC->textColor = color;
    return previous;
}

COLORREF GetTextColor(HDC hDC) { return hDC ? hDC->textColor : 0xFFFFFFFF; }

int SetBkMode(HDC hDC, int mode) {
    if (!hDC || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    const int previous = hDC->bkMode;
    hDC->bkMode = mode;
    return previous;
}

int GetBkMode(HDC hDC) { return hDC ? hDC->bkMode : 0; }

COLORREF SetBkColor(HDC hDC, COLORREF color) {
    if (!hDC) return 0xFFFFFFFF;
    const COLORREF previous = hDC->bkColor;
    hDC->bkColor = color;
    return previous;
}

BOOL OffsetRect(LPRECT lprc, int dx, int dy) {
    if (!lprc) return FALSE;
    lprc->left += dx;
    lprc->right += dx;
    lprc->top += dy;
    lprc->bottom += dy;
    return TRUE;
}

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    CString caption = lpCaption ? CString(lpCaption) : CString();
    if (!lpCaption && !AfxLoadString(kAppTitleString, caption)) caption = "vidur20";
    return MessageBoxService::Current().Show(hWnd, CString(lpText ? lpText : ""), caption, uType);
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT) {
    HWND owner = nullptr;
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        if (QWidget* active = QApplication::activeWindow()) owner = HWND__::fromWidget(active);
    return MessageBoxA(owner, lpszText, nullptr, nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
    CString text;
    AfxLoadString(nIDPrompt, text);
    return AfxMessageBox(text, nType, nIDHelp);
}

void Sleep(DWORD dwMilliseconds) { SleepService::Current().Sleep(dwMilliseconds); }
