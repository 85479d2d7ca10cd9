// SPDX-License-Identifier: MIT
// The Win32 window functions the system calls, over the window layer. They act on the
// window a handle names and answer as Win32 does (FALSE, 0 or null for a handle that names
// no window).
#pragma once

#include "platform/core/CString.h"
#include "platform/ui/Win32Ui.h"

// Messages.
LRESULT SendMessage(HWND hWnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
// Queued: delivered by the event loop later, dropped when the window is gone by then.
BOOL PostMessage(HWND hWnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

// Windows.
BOOL IsWindow(HWND hWnd);
BOOL EnableWindow(HWND hWnd, BOOL bEnable); // TRUE when the window was disabled before
// Gives the window the keyboard (a hidden dialog's control: once the dialog shows); the
// window that had it, or null.
HWND SetFocus(HWND hWnd);
BOOL IsWindowEnabled(HWND hWnd);
HWND GetDlgItem(HWND hDlg, int nIDDlgItem);
BOOL DestroyWindow(HWND hWnd);

// The class cursor. Only GCL_HCURSOR is kept: the cursor shows over the window that was
// given (its controls included), which is what the system means by its class cursor.
DWORD SetClassLongA(HWND hWnd, int nIndex, LONG dwNewLong);
DWORD GetClassLongA(HWND hWnd, int nIndex);
HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName); // IDC_ARROW, IDC_WAIT
inline HCURSOR LoadCursor(HINSTANCE hInstance, LPCSTR lpCursorName) { return LoadCursorA(hInstance, lpCursorName); }

// Metrics and colours of the look in force: icons are 32 x 32.
int GetSystemMetrics(int nIndex);
COLORREF GetSysColor(int nIndex);

// Resources, searched through the resource chain; the instance handle is not consulted.
// An icon stays loaded for the life of the process, as a shared icon does.
HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName);
inline HICON LoadIcon(HINSTANCE hInstance, LPCSTR lpIconName) { return LoadIconA(hInstance, lpIconName); }
HICON AfxLoadIcon(UINT nIDResource);
// The string in the language in force, in Mac OS Roman; 0 (and an empty buffer) when absent.
int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax);
BOOL AfxLoadString(UINT nID, CString& rString);
CString AfxLoadStringOrEmpty(UINT nID);

// Drawing into a device context given to an owner-drawn control.
HBRUSH CreateSolidBrush(COLORREF color);
BOOL DeleteObject(HGDIOBJ hObject);
int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
BOOL DrawIcon(HDC hDC, int x, int y, HICON hIcon);
int DrawTextA(HDC hDC, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format);
COLORREF SetTextColor(HDC hDC, COLORREF color);
COLORREF GetTextColor(HDC hDC);
int SetBkMode(HDC hDC, int mode); // the previous mode
int GetBkMode(HDC hDC);
COLORREF SetBkColor(HDC hDC, COLORREF color);
BOOL OffsetRect(LPRECT lprc, int dx, int dy);

// Message boxes go through the installed MessageBoxService.
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = (UINT)-1);

// Waits through the installed SleepService.
void Sleep(DWORD dwMilliseconds);
