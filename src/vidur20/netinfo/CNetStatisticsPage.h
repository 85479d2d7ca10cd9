// SPDX-License-Identifier: MIT
// The "Statistics" page of the network information sheet: a Clear button and no figures.
#pragma once

#include "platform/ui/CPropertyPage.h"

class CNetStatisticsPage : public CPropertyPage {
    DECLARE_DYNCREATE(CNetStatisticsPage)
public:
    CNetStatisticsPage();
    ~CNetStatisticsPage() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // There are no statistics to clear.
    void OnClear();

    DECLARE_MESSAGE_MAP()
};
