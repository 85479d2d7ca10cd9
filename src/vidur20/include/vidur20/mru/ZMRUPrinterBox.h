// SPDX-License-Identifier: MIT
// A drop-down list of the user's recent printers plus the library's default printer. Item i
// always shows entry i of the box's recent printer list, so an item index is also a list
// index; the box is therefore never sorted.
#pragma once

#include "platform/ui/CComboBox.h"
#include "vidur20/Vidur20Export.h"
#include "vidur20/atalk/AppleTalk.h"
#include "vidur20/mru/ZMRUPrinterList.h"

class VIDUR20_EXPORT ZMRUPrinterBox : public CComboBox {
public:
    // The recent printers are read from the profile here, before the window exists.
    ZMRUPrinterBox();
    ~ZMRUPrinterBox() override;

    // Creates the box's window with CBS_SORT taken out of the style; the other arguments go
    // to the window class's own Create unchanged. FALSE when no window was made.
    BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                UINT nID, CCreateContext* pContext = nullptr) override;

    // Appends the printer to the list and the box; its index, or -1 when it is already there
    // (nothing changes) or cannot be stored.
    int AddToPrinterList(const _NBPTuple* printer);
    // Fills the empty box from the list, adding the current printer (the library's default
    // printer when null) if it is new, and selects it (else item 0). The number of entries.
    int LoadPrinterList(const _NBPTuple* current);
    // The printer packages write the recent list when a printer is chosen; nothing to do.
    void SavePrinterList();
    // The selected index, -1 for none. Copies the selected printer to out (when not null);
    // an item that has no list entry copies nothing.
    int GetCurSelPrinter(_NBPTuple* out) const;
    // Selects the first entry naming the same printer; its index, or -1 keeping the selection.
    int SetCurSelPrinter(const _NBPTuple* printer);
    // Records the printer's address in its entry; 1 when found, else 0. Item texts stay.
    int UpdatePrinterAddress(const _NBPTuple* printer);

protected:
    ZMRUPrinterList m_list;

    DECLARE_MESSAGE_MAP()

private:
    // "object:type@zone", as the item shows the entry.
    static CString ItemText(const ZNBPTuple& tuple);
    // Takes a copy of the printer into the list; its index, or -1 (duplicate, no memory).
    int AddToList(const _NBPTuple* printer);
};
