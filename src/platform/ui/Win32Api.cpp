// SPDX-License-Identifier: MIT
#include "platform/ui/Win32Api.h"

#include <cstring>
#include <map>
#include <memory>
#include <unordered_set>

#include "platform/resources/ResourceChain.h"
#include "platform/ui/CWnd.h"
#include "platform/ui/MessageBoxService.h"
#include "platform/ui/SleepService.h"
#include "platform/ui/qt/DeviceContext.h"
#include "platform/ui/qt/WindowCore.h"
#include "text/MacRoman.h"

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

CString toCString(const std::string& bytes) { return CString(bytes.data(), static_cast<int>(bytes.size())); }

} // namespace

LRESULT SendMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return HWND__::isLive(hWnd) ? hWnd->send(msg, wParam, lParam) : 0;
}

BOOL IsWindow(HWND hWnd) { return HWND__::isLive(hWnd) ? TRUE : FALSE; }

BOOL DestroyWindow(HWND hWnd) {
    if (!HWND__::isLive(hWnd)) return FALSE;
    hWnd->destroy();
    return TRUE;
}

DWORD GetClassLongA(HWND hWnd, int nIndex) {
    if (!HWND__::isLive(hWnd) || nIndex != GCL_HCURSOR) return 0;
    return static_cast<DWORD>(hWnd->classCursor_);
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR lpCursorName) {
    const auto id = reinterpret_cast<std::uintptr_t>(lpCursorName);
    return id == kCursorArrow || id == kCursorWait ? reinterpret_cast<HCURSOR>(id) : nullptr;
}

int GetSystemMetrics(int nIndex) { return nIndex == SM_CXICON || nIndex == SM_CYICON ? kIconSize : 0; }

BOOL AfxLoadString(UINT nID, CString& rString) {
    const char* utf8 = ResourceChain::instance().findString(nID);
    if (!utf8) {
        rString.Empty();
        return FALSE;
    }
    rString = toCString(vidur::text::utf8ToMacRoman(utf8).macRoman);
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
    fillSolid(hDC, *lprc, color);
    return 1;
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

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
    CString text;
    AfxLoadString(nIDPrompt, text);
    return AfxMessageBox(text, nType, nIDHelp);
}

void Sleep(DWORD dwMilliseconds) { SleepService::Current().Sleep(dwMilliseconds); }
