// SPDX-License-Identifier: MIT
#include "vidur20/packages/ZImageWriterPackage.h"

IMPLEMENT_DYNAMIC(ZImageWriterPackage, ZDevicePackage)

// Called directly, not through the virtual table: the kind's own constants, whatever a
// further derived class might do.
ZImageWriterPackage::ZImageWriterPackage(const char* nbpType) { ZImageWriterPackage::Initialize(nbpType); }

ZImageWriterPackage::~ZImageWriterPackage() = default;

int ZImageWriterPackage::Initialize(const char* nbpType) {
    static constexpr Kind kKind{"ImageWriter", "Printer", 235, "Choose an ImageWriter:"};
    return InitializeKind(kKind, nbpType);
}

int ZImageWriterPackage::SelectDevice(const _NBPTuple* chosen, CWnd* /*parent*/) {
    return SelectDeviceOfKind(chosen, /*setsDefaultPrinter=*/true);
}

int ZImageWriterPackage::ReservedOperation(DWORD /*arg1*/, DWORD /*arg2*/) { return 1; }

_NBPTuple* ZImageWriterPackage::GetSavedSelection() { return ZDevicePackage::GetSavedSelection(); }
