// SPDX-License-Identifier: MIT
#include "platform/ui/CDC.h"

#include "platform/ui/Win32Api.h"
#include "platform/ui/qt/DeviceContext.h"

CDC* CDC::FromHandle(HDC hDC) {
    if (!hDC) return nullptr;
    if (!hDC->object) {
        hDC->object = std::make_unique<CDC>();
        hDC->object->m_hDC = hDC;
    }
    return hDC->object.get();
}

void CDC::FillRect(LPCRECT lpRect, CBrush* pBrush) { ::FillRect(m_hDC, lpRect, pBrush ? pBrush->m_hBrush : nullptr); }

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF color) {
    if (m_hDC && lpRect) ui_detail::fillSolid(m_hDC, *lpRect, color);
}

BOOL CDC::DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(m_hDC, x, y, hIcon); }

int CDC::DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) {
    return ::DrawTextA(m_hDC, lpszString, nCount, lpRect, nFormat);
}

COLORREF CDC::SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
COLORREF CDC::GetTextColor() const { return ::GetTextColor(m_hDC); }
COLORREF CDC::SetBkColor(COLORREF color) { return ::SetBkColor(m_hDC, color); }
int CDC::SetBkMode(int nBkMode) { return ::SetBkMode(m_hDC, nBkMode); }
int CDC::GetBkMode() const { return ::GetBkMode(m_hDC); }

CBrush::~CBrush() {
    if (m_hBrush) ::DeleteObject(m_hBrush);
}

BOOL CBrush::CreateSolidBrush(COLORREF color) {
    if (m_hBrush) return FALSE;
    m_hBrush = ::CreateSolidBrush(color);
    return m_hBrush ? TRUE : FALSE;
}
