// SPDX-License-Identifier: MIT
// A kind of printer without constants or behaviour of its own; nothing creates it. It stays
// abstract: it only carries its run-time class.
#pragma once

#include "vidur20/packages/ZDevicePackage.h"

class ZGenericWriterPackage : public ZDevicePackage {
    DECLARE_DYNAMIC(ZGenericWriterPackage)
public:
    ~ZGenericWriterPackage() override;

protected:
    ZGenericWriterPackage();
};
