// SPDX-License-Identifier: MIT
#include "platform/ui/CWnd.h"

#include <vector>

#include "platform/resources/WindowStyles.h"
#include "platform/ui/CDataExchange.h"
#include "platform/ui/Win32Api.h"
#include "platform/ui/qt/DialogBuilder.h"
#include "platform/ui/qt/WindowCore.h"
#include "text/MacRoman.h"

IMPLEMENT_DYNAMIC(CWnd, CObject)

namespace {
struct CurrentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
// The messages being handled, innermost last: what Default() passes on.
thread_local std::vector<CurrentMessage> t_current;
} // namespace

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, nullptr, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (m_hWnd && HWND__::isLive(m_hWnd) && m_hWnd->attached_ == this) {
        HWND h = Detach();
        h->destroy();
    }
    m_hWnd = nullptr;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) { return HWND__::isLive(hWnd) ? hWnd->attached_ : nullptr; }

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (!HWND__::isLive(hWnd)) return nullptr;
    if (hWnd->attached_) return hWnd->attached_;
    if (!hWnd->temporary_) {
        hWnd->temporary_ = hWnd->makeTemporary();
        hWnd->temporary_->m_hWnd = hWnd;
    }
    return hWnd->temporary_.get();
}

BOOL CWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                  UINT nID, CCreateContext*) {
    if (m_hWnd || !pParentWnd || !HWND__::isLive(pParentWnd->m_hWnd)) return FALSE;
    const std::string text = vidur::text::macRomanToUtf8(lpszWindowName ? lpszWindowName : "");
    HWND control = ui_detail::createChildControl(lpszClassName, text.c_str(), nID, dwStyle, rect, pParentWnd->m_hWnd);
    if (!control) return FALSE;
    if (dwStyle & WS_DISABLED) ::EnableWindow(control, FALSE);
    control->setShown((dwStyle & WS_VISIBLE) != 0);
    return Attach(control);
}

BOOL CWnd::Attach(HWND hWnd) {
    if (m_hWnd || !HWND__::isLive(hWnd) || hWnd->attached_) return FALSE;
    if (hWnd->temporary_) hWnd->temporary_->m_hWnd = nullptr;
    hWnd->temporary_.reset();
    hWnd->attached_ = this;
    m_hWnd = hWnd;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND h = m_hWnd;
    if (h && HWND__::isLive(h) && h->attached_ == this) h->attached_ = nullptr;
    m_hWnd = nullptr;
    return h;
}

BOOL CWnd::SubclassWindow(HWND hWnd) { return Attach(hWnd); }

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    if (!pParent) return FALSE;
    return SubclassWindow(::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID)));
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessage(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::DispatchMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    t_current.push_back({message, wParam, lParam});
    struct Pop {
        ~Pop() { t_current.pop_back(); }
    } pop;
    return WindowProc(message, wParam, lParam); // may delete this
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return HWND__::isLive(m_hWnd) ? m_hWnd->classProc(message, wParam, lParam) : 0;
}

LRESULT CWnd::Default() {
    if (t_current.empty()) return 0;
    const CurrentMessage current = t_current.back();
    return DefWindowProc(current.message, current.wParam, current.lParam);
}

const AFX_MSGMAP_ENTRY* CWnd::FindEntry(UINT message, UINT nCode, UINT nID) const {
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nSig != AfxSig_end; ++e) {
            if (e->nMessage != message) continue;
            if (message == WM_COMMAND && (e->nCode != nCode || nID < e->nID || nID > e->nLastID)) continue;
            return e;
        }
    }
    return nullptr;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        *pResult = 0;
        return TRUE;
    }
    const AFX_MSGMAP_ENTRY* entry = FindEntry(message, 0, 0);
    if (!entry) return FALSE;
    *pResult = 0;
    if (entry->nSig == AfxSig_vw)
        (this->*entry->pfnTimer)(static_cast<UINT_PTR>(wParam));
    else
        (this->*entry->pfn)();
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
    const AFX_MSGMAP_ENTRY* entry =
        FindEntry(WM_COMMAND, HIWORD(static_cast<DWORD>(wParam)), LOWORD(static_cast<DWORD>(wParam)));
    if (!entry) return FALSE;
    (this->*entry->pfn)();
    return TRUE;
}

void CWnd::PostNcDestroy() {}

void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnDestroy() { Default(); }

CWnd* CWnd::GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }

int CWnd::GetDlgCtrlID() const { return HWND__::isLive(m_hWnd) ? static_cast<int>(m_hWnd->id_) : 0; }

CWnd* CWnd::GetParent() const { return HWND__::isLive(m_hWnd) ? FromHandle(m_hWnd->parentHandle()) : nullptr; }

BOOL CWnd::EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }

BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }

void CWnd::SetFocus() { ::SetFocus(m_hWnd); }

BOOL CWnd::IsWindowVisible() const { return HWND__::isLive(m_hWnd) && m_hWnd->isShown() ? TRUE : FALSE; }

BOOL CWnd::ShowWindow(int nCmdShow) {
    if (!HWND__::isLive(m_hWnd)) return FALSE;
    const BOOL wasVisible = m_hWnd->isShown() ? TRUE : FALSE;
    m_hWnd->setShown(nCmdShow != 0);
    return wasVisible;
}

void CWnd::SetWindowText(LPCSTR lpszString) {
    SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpszString ? lpszString : ""));
}

int CWnd::GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const {
    return static_cast<int>(
        SendMessage(WM_GETTEXT, static_cast<WPARAM>(nMaxCount), reinterpret_cast<LPARAM>(lpszStringBuf)));
}

void CWnd::GetWindowText(CString& rString) const {
    const int length = GetWindowTextLength();
    LPSTR buffer = rString.GetBuffer(length);
    GetWindowText(buffer, length + 1);
    rString.ReleaseBuffer();
}

int CWnd::GetWindowTextLength() const { return static_cast<int>(SendMessage(WM_GETTEXTLENGTH)); }

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

HICON CWnd::GetIcon(BOOL bBigIcon) const {
    return reinterpret_cast<HICON>(SendMessage(WM_GETICON, bBigIcon ? ICON_BIG : ICON_SMALL));
}

void CWnd::GetClientRect(LPRECT lpRect) const {
    if (!lpRect) return;
    *lpRect = RECT{0, 0, 0, 0};
    if (HWND__::isLive(m_hWnd)) *lpRect = m_hWnd->clientRect();
}

BOOL CWnd::RedrawWindow(LPCRECT, void*, UINT flags) {
    if (!HWND__::isLive(m_hWnd)) return FALSE;
    if (flags & (RDW_UPDATENOW | RDW_INVALIDATE)) m_hWnd->redraw((flags & RDW_UPDATENOW) != 0);
    return TRUE;
}

BOOL CWnd::DestroyWindow() { return ::DestroyWindow(m_hWnd); }

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, void (*)(HWND, UINT, UINT_PTR, DWORD)) {
    if (!HWND__::isLive(m_hWnd)) return 0;
    m_hWnd->setTimer(nIDEvent, nElapse);
    return nIDEvent;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) { return HWND__::isLive(m_hWnd) && m_hWnd->killTimer(nIDEvent) ? TRUE : FALSE; }

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) {
    return ::MessageBoxA(m_hWnd, lpszText, lpszCaption, nType);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}
