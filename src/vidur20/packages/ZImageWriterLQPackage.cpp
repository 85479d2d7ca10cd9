// SPDX-License-Identifier: MIT
#include "vidur20/packages/ZImageWriterLQPackage.h"

IMPLEMENT_DYNAMIC(ZImageWriterLQPackage, ZDevicePackage)

// Called directly, not through the virtual table: the kind's own constants, whatever a
// further derived class might do.
ZImageWriterLQPackage::ZImageWriterLQPackage(const char* nbpType) { ZImageWriterLQPackage::Initialize(nbpType); }

ZImageWriterLQPackage::~ZImageWriterLQPackage() = default;

int ZImageWriterLQPackage::Initialize(const char* nbpType) {
    static constexpr Kind kKind{"LQ", "Printer", 246, "Choose an ImageWriter LQ:"};
    return InitializeKind(kKind, nbpType);
}

int ZImageWriterLQPackage::SelectDevice(const _NBPTuple* chosen, CWnd* /*parent*/) {
    return SelectDeviceOfKind(chosen, /*setsDefaultPrinter=*/true);
}

int ZImageWriterLQPackage::ReservedOperation(DWORD /*arg1*/, DWORD /*arg2*/) { return 1; }

_NBPTuple* ZImageWriterLQPackage::GetSavedSelection() { return ZDevicePackage::GetSavedSelection(); }
