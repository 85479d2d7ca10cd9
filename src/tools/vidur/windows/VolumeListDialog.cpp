// SPDX-License-Identifier: MIT
#include "tools/vidur/windows/VolumeListDialog.h"

#include "tools/vidur/windows/AppleShareResources.h"

namespace vidur::cli {

VolumeListDialog::VolumeListDialog(std::size_t volumeCount) : CDialog(IDD_AFP_VOLUMES), count_(volumeCount) {}

void VolumeListDialog::OnOK() {
    checked_.clear();
    for (std::size_t i = 0; i < count_; ++i)
        if (GetDlgItem(static_cast<int>(IDC_AFP_FIRST_VOLUME + i))->SendMessage(BM_GETCHECK) == BST_CHECKED)
            checked_.push_back(i);
    CDialog::OnOK();
}

} // namespace vidur::cli
