// SPDX-License-Identifier: MIT
// The "General" page of the network information sheet: asks the stack once, when the page's
// window is made, for this node's address, zone and cable range, and shows them as text.
#pragma once

#include "platform/ui/CPropertyPage.h"
#include "platform/ui/CStatic.h"
#include "vidur20/atalk/AppleTalk.h"

class CNetGeneralPage : public CPropertyPage {
    DECLARE_DYNCREATE(CNetGeneralPage)
public:
    CNetGeneralPage();
    ~CNetGeneralPage() override;

    // The pause between two reads of the stack's answer.
    static constexpr DWORD kPollMs = 10;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

private:
    // The result field once it has left "in progress".
    static int WaitForAnswer(const _DispatchBlock& block);
    void ShowAnswer(const _DispatchBlock& block);
    void ReportFailure();

    CStatic m_networkRange;
    CStatic m_networkAddress;
    CStatic m_localZone;
};
