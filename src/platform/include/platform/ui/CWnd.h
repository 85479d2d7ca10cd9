// SPDX-License-Identifier: MIT
// The framework's window object: a C++ object attached to a window handle. Messages sent
// to the window go through the object's WindowProc and message map, then to the window's
// own default processing; a window with no object attached answers with its default
// processing alone.
#pragma once

#include "platform/core/CObject.h"
#include "platform/core/CString.h"
#include "platform/ui/MessageMap.h"
#include "platform/ui/Win32Ui.h"

class CDataExchange;
struct CCreateContext; // not used by the window layer; kept for the framework's signature

class CWnd : public CObject {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd();
    // Destroys a window still attached, as the framework does.
    ~CWnd() override;

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return GetSafeHwnd(); } // NOLINT: implicit, as in the framework
    static CWnd* FromHandle(HWND hWnd); // the attached object, else a temporary owned by the window
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Creates a child control of a window class ("COMBOBOX", "LISTBOX", "BUTTON", "STATIC")
    // at rect (pixels, in the parent's client area) and attaches this object to it.
    virtual BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                        UINT nID, CCreateContext* pContext = nullptr);

    BOOL Attach(HWND hWnd);
    HWND Detach();
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow() { return Detach(); }

    // Messages.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // Entry of every message sent to an attached window.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The default processing of the message being handled.
    LRESULT Default();

    // Window state.
    CWnd* GetDlgItem(int nID) const;
    int GetDlgCtrlID() const;
    CWnd* GetParent() const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    void SetFocus();
    BOOL IsWindowVisible() const;
    BOOL ShowWindow(int nCmdShow);
    void SetWindowText(LPCSTR lpszString);
    int GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const;
    void GetWindowText(CString& rString) const;
    int GetWindowTextLength() const;
    // The icons a window shows in its title bar and task bar entry; answers the one replaced.
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    HICON GetIcon(BOOL bBigIcon) const;
    void GetClientRect(LPRECT lpRect) const;
    BOOL RedrawWindow(LPCRECT lpRectUpdate = nullptr, void* prgnUpdate = nullptr,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    virtual BOOL DestroyWindow();

    // Timers: WM_TIMER with the id every nElapse milliseconds until killed or the window
    // goes. Setting an id again restarts it with the new period.
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, void (*lpfnTimer)(HWND, UINT, UINT_PTR, DWORD) = nullptr);
    BOOL KillTimer(UINT_PTR nIDEvent);

    int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = nullptr, UINT nType = MB_OK);

    // Data exchange between controls and members.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* pDX);

    // Message handlers with default processing.
    void OnTimer(UINT_PTR nIDEvent);
    void OnClose();
    void OnDestroy();

protected:
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // Called after the window is gone and the object detached; a self-owned window deletes
    // itself here.
    virtual void PostNcDestroy();

    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

private:
    friend struct HWND__;
    LRESULT DispatchMessage(UINT message, WPARAM wParam, LPARAM lParam);
    const AFX_MSGMAP_ENTRY* FindEntry(UINT message, UINT nCode, UINT nID) const;
};
