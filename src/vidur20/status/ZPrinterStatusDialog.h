// SPDX-License-Identifier: MIT
// The printer status window: a modeless, self-owned window in which the user picks one of
// the recent printers and sees its status text, asked for again after every answer. The
// requests go to the stack by address in two blocks that the window owns; the stack writes
// into them from its own thread until the end request has completed, so every way the
// window can go ends the request first.
#pragma once

#include "platform/ui/CDialog.h"
#include "platform/ui/CStatic.h"
#include "vidur20/atalk/AppleTalk.h"
#include "vidur20/mru/ZMRUPrinterBox.h"

class ZPrinterStatusDialog : public CDialog {
public:
    // Creates the window at once, visible, with no owner. Allocate it with new: it deletes
    // itself when its window goes. If no window could be made (GetSafeHwnd() is null) the
    // object is the caller's to delete.
    explicit ZPrinterStatusDialog(CWnd* pParent);
    ~ZPrinterStatusDialog() override;

    // Timer id and period of the polling.
    static constexpr UINT_PTR kTimerId = 230;
    static constexpr UINT kTimerPeriodMs = 1500;
    // Pause between reads of the end request's result.
    static constexpr DWORD kEndPollMs = 100;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;
    void OnCancel() override;

    void OnTimer(UINT_PTR nIDEvent);
    void OnSelChangePrinter();
    void OnDestroy();

    // Dispatches a status request for the selected printer unless one is still out. The
    // status block's result right after the dispatch (1 when one is still out, 0 when
    // nothing is selected).
    int QueryPrinterStatus();
    // Dispatches the end request, waits until the stack has finished it, then clears both
    // blocks. Its last result.
    int EndStatusQuery();

    DECLARE_MESSAGE_MAP()

private:
    static int ReadResult(const _DispatchBlock& block);
    void ShowString(UINT nID);
    void ShowAnswer();

    CStatic m_statusText;
    int m_selectionChanged = 0;
    int m_lastQueried = -1;
    _DispatchBlock m_statusBlock{};
    _DispatchBlock m_endBlock{};
    int m_timerEntries = 0;
    ZMRUPrinterBox m_printerBox;
    // A status request went out and its end request has not completed yet: the stack may
    // still write into the blocks, so they must not go. Every way out ends it first.
    bool m_requestOut = false;
};
