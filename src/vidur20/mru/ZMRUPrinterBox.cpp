// SPDX-License-Identifier: MIT
#include "vidur20/mru/ZMRUPrinterBox.h"

#include <new>

#include "platform/core/Wsprintf.h"
#include "platform/resources/WindowStyles.h"
#include "platform/ui/Win32Api.h"

// No entries: every message gets the combo box's own handling.
BEGIN_MESSAGE_MAP(ZMRUPrinterBox, CComboBox)
END_MESSAGE_MAP()

ZMRUPrinterBox::ZMRUPrinterBox() = default;

ZMRUPrinterBox::~ZMRUPrinterBox() = default;

BOOL ZMRUPrinterBox::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                            CWnd* pParentWnd, UINT nID, CCreateContext* pContext) {
    // A sorted box would break the match between item and list indexes.
    dwStyle &= ~CBS_SORT;
    return CComboBox::Create(lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, pContext);
}

CString ZMRUPrinterBox::ItemText(const ZNBPTuple& tuple) {
    char text[256];
    wsprintfA(text, "%s:%s@%s", static_cast<LPCSTR>(tuple.GetObjectA()), static_cast<LPCSTR>(tuple.GetType()),
              static_cast<LPCSTR>(tuple.GetZone()));
    return CString(text);
}

int ZMRUPrinterBox::AddToList(const _NBPTuple* printer) {
    if (printer == nullptr) return -1;
    ZNBPTuple* tuple = new (std::nothrow) ZNBPTuple(printer);
    if (tuple == nullptr) return -1;
    const int index = m_list.Add(tuple);
    if (index < 0) delete tuple; // already listed: the entry there keeps its place
    return index;
}

int ZMRUPrinterBox::AddToPrinterList(const _NBPTuple* printer) {
    const int index = AddToList(printer);
    if (index < 0) return index;
    // Inserted at its list index (the end), so the box mirrors the list even if sorted.
    InsertString(index, ItemText(*m_list.GetTuple(index)));
    return index;
}

int ZMRUPrinterBox::LoadPrinterList(const _NBPTuple* current) {
    _NBPTuple selected{};
    bool haveSelected = false;
    if (current != nullptr) {
        selected = *current;
        haveSelected = true;
    } else {
        haveSelected = PAPGetDefaultPrinter(&selected) == 0;
    }
    if (haveSelected) AddToList(&selected);
    if (m_list.GetSize() == 0) return 0;

    for (int i = 0; i < m_list.GetSize(); ++i) {
        const ZNBPTuple* entry = m_list.GetTuple(i);
        if (entry == nullptr) break;
        InsertString(i, ItemText(*entry));
    }
    if (haveSelected)
        SetCurSelPrinter(&selected);
    else if (GetCount() > 0)
        SetCurSel(0);
    return m_list.GetSize();
}

void ZMRUPrinterBox::SavePrinterList() {}

int ZMRUPrinterBox::GetCurSelPrinter(_NBPTuple* out) const {
    const int index = GetCurSel();
    if (index < 0) return -1;
    // An item put in by other means than this class may have no entry: nothing to copy.
    if (out != nullptr && index < m_list.GetSize()) {
        if (const ZNBPTuple* entry = m_list.GetTuple(index)) entry->GetNBPTuple(out);
    }
    return index;
}

int ZMRUPrinterBox::SetCurSelPrinter(const _NBPTuple* printer) {
    if (printer == nullptr) return -1;
    for (int i = 0; i < m_list.GetSize(); ++i) {
        const ZNBPTuple* entry = m_list.GetTuple(i);
        if (entry != nullptr && entry->Compare(printer, 0) == 0) {
            SetCurSel(i);
            return i;
        }
    }
    return -1;
}

int ZMRUPrinterBox::UpdatePrinterAddress(const _NBPTuple* printer) { return m_list.UpdateAddress(printer); }
