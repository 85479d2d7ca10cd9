// SPDX-License-Identifier: MIT
#include "vidur20/packages/ZAFPServerPackage.h"

IMPLEMENT_DYNAMIC(ZAFPServerPackage, ZDevicePackage)

// Called directly, not through the virtual table: the kind's own constants, whatever a
// further derived class might do.
ZAFPServerPackage::ZAFPServerPackage(const char* nbpType) { ZAFPServerPackage::Initialize(nbpType); }

ZAFPServerPackage::~ZAFPServerPackage() = default;

int ZAFPServerPackage::Initialize(const char* nbpType) {
    static constexpr Kind kKind{"AFPServer", "File Server", 233, "Choose a File Server:"};
    return InitializeKind(kKind, nbpType);
}

int ZAFPServerPackage::SelectDevice(const _NBPTuple* chosen, CWnd* /*parent*/) {
    return SelectDeviceOfKind(chosen, /*setsDefaultPrinter=*/false);
}

int ZAFPServerPackage::ReservedOperation(DWORD /*arg1*/, DWORD /*arg2*/) { return 1; }

_NBPTuple* ZAFPServerPackage::GetSavedSelection() { return ZDevicePackage::GetSavedSelection(); }
