// SPDX-License-Identifier: MIT
// The framework's device context, for owner drawing: the handle a DRAWITEMSTRUCT carries,
// with the Win32 drawing calls as members.
#pragma once

#include "platform/ui/Win32Ui.h"

class CBrush;

class CDC {
public:
    CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC = nullptr;
    HDC GetSafeHdc() const { return m_hDC; }
    // The object of a device context handle; it lives as long as the handle.
    static CDC* FromHandle(HDC hDC);

    void FillRect(LPCRECT lpRect, CBrush* pBrush);
    void FillSolidRect(LPCRECT lpRect, COLORREF color);
    BOOL DrawIcon(int x, int y, HICON hIcon);
    BOOL DrawIcon(POINT point, HICON hIcon) { return DrawIcon(point.x, point.y, hIcon); }
    int DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat);
    COLORREF SetTextColor(COLORREF color);
    COLORREF GetTextColor() const;
    COLORREF SetBkColor(COLORREF color);
    int SetBkMode(int nBkMode);
    int GetBkMode() const;
};

// A solid brush, as CreateSolidBrush makes it.
class CBrush {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    ~CBrush();
    CBrush(const CBrush&) = delete;
    CBrush& operator=(const CBrush&) = delete;
    BOOL CreateSolidBrush(COLORREF color);
    operator HBRUSH() const { return m_hBrush; } // NOLINT: implicit, as in the framework
    HBRUSH m_hBrush = nullptr;
};
