// SPDX-License-Identifier: MIT
#include "vidur20/packages/ZLaserWriterPackage.h"

IMPLEMENT_DYNAMIC(ZLaserWriterPackage, ZDevicePackage)

// Called directly, not through the virtual table: the kind's own constants, whatever a
// further derived class might do.
ZLaserWriterPackage::ZLaserWriterPackage(const char* nbpType) { ZLaserWriterPackage::Initialize(nbpType); }

ZLaserWriterPackage::~ZLaserWriterPackage() = default;

int ZLaserWriterPackage::Initialize(const char* nbpType) {
    static constexpr Kind kKind{"LaserWriter", "Printer", 234, "Choose a LaserWriter:"};
    return InitializeKind(kKind, nbpType);
}

int ZLaserWriterPackage::SelectDevice(const _NBPTuple* chosen, CWnd* /*parent*/) {
    return SelectDeviceOfKind(chosen, /*setsDefaultPrinter=*/true);
}

int ZLaserWriterPackage::ReservedOperation(DWORD /*arg1*/, DWORD /*arg2*/) { return 1; }

_NBPTuple* ZLaserWriterPackage::GetSavedSelection() { return ZDevicePackage::GetSavedSelection(); }
