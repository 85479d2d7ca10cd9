// SPDX-License-Identifier: MIT
// The volume list of an AppleShare server: one check box per volume (Space checks the one
// with the focus), OK and Cancel. Its template is made for the volumes by
// AppleShareResources::makeVolumeList.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/ui/CDialog.h"

namespace vidur::cli {

class VolumeListDialog : public CDialog {
public:
    explicit VolumeListDialog(std::size_t volumeCount);

    // After IDOK: the indexes of the checked volumes, in the list's order.
    const std::vector<std::size_t>& checked() const { return checked_; }

protected:
    void OnOK() override;

private:
    std::size_t count_;
    std::vector<std::size_t> checked_;
};

} // namespace vidur::cli
