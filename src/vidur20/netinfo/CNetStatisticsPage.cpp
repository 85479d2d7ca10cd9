// SPDX-License-Identifier: MIT
#include "vidur20/netinfo/CNetStatisticsPage.h"

#include "vidur20/res/ResourceIds.h"

IMPLEMENT_DYNCREATE(CNetStatisticsPage, CPropertyPage)

BEGIN_MESSAGE_MAP(CNetStatisticsPage, CPropertyPage)
ON_BN_CLICKED(IDC_CLEAR_STATISTICS, OnClear)
END_MESSAGE_MAP()

CNetStatisticsPage::CNetStatisticsPage() : CPropertyPage(IDD_NET_STATISTICS) {}

CNetStatisticsPage::~CNetStatisticsPage() = default;

void CNetStatisticsPage::DoDataExchange(CDataExchange*) {}

BOOL CNetStatisticsPage::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    return TRUE;
}

void CNetStatisticsPage::OnClear() {}
