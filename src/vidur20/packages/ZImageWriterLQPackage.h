// SPDX-License-Identifier: MIT
// The ImageWriter LQ kind: letter-quality dot-matrix printers. Choosing one: it becomes the default printer and the head of the recent printer list.
#pragma once

#include "vidur20/packages/ZDevicePackage.h"

class ZImageWriterLQPackage : public ZDevicePackage {
    DECLARE_DYNAMIC(ZImageWriterLQPackage)
public:
    // nbpType, when given, replaces the kind's NBP type "LQ".
    explicit ZImageWriterLQPackage(const char* nbpType = nullptr);
    ~ZImageWriterLQPackage() override;

    int SelectDevice(const _NBPTuple* chosen, CWnd* parent) override;
    int ReservedOperation(DWORD arg1, DWORD arg2) override;
    _NBPTuple* GetSavedSelection() override;

    virtual int Initialize(const char* nbpType);
};
