// SPDX-License-Identifier: MIT
// The LaserWriter kind: PostScript laser printers. Choosing one: it becomes the default printer and the head of the recent printer list.
#pragma once

#include "vidur20/packages/ZDevicePackage.h"

class ZLaserWriterPackage : public ZDevicePackage {
    DECLARE_DYNAMIC(ZLaserWriterPackage)
public:
    // nbpType, when given, replaces the kind's NBP type "LaserWriter".
    explicit ZLaserWriterPackage(const char* nbpType = nullptr);
    ~ZLaserWriterPackage() override;

    int SelectDevice(const _NBPTuple* chosen, CWnd* parent) override;
    int ReservedOperation(DWORD arg1, DWORD arg2) override;
    _NBPTuple* GetSavedSelection() override;

    virtual int Initialize(const char* nbpType);
};
