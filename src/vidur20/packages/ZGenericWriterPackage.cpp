// SPDX-License-Identifier: MIT
#include "vidur20/packages/ZGenericWriterPackage.h"

IMPLEMENT_DYNAMIC(ZGenericWriterPackage, ZDevicePackage)

ZGenericWriterPackage::ZGenericWriterPackage() = default;

ZGenericWriterPackage::~ZGenericWriterPackage() = default;
