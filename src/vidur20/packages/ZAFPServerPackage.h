// SPDX-License-Identifier: MIT
// The AFP file server kind. Choosing one: it becomes the head of the recent file server list; the default printer is left alone.
#pragma once

#include "vidur20/packages/ZDevicePackage.h"

class ZAFPServerPackage : public ZDevicePackage {
    DECLARE_DYNAMIC(ZAFPServerPackage)
public:
    // nbpType, when given, replaces the kind's NBP type "AFPServer".
    explicit ZAFPServerPackage(const char* nbpType = nullptr);
    ~ZAFPServerPackage() override;

    int SelectDevice(const _NBPTuple* chosen, CWnd* parent) override;
    int ReservedOperation(DWORD arg1, DWORD arg2) override;
    _NBPTuple* GetSavedSelection() override;

    virtual int Initialize(const char* nbpType);
};
