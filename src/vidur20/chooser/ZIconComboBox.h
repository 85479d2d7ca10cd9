// SPDX-License-Identifier: MIT
// The Chooser's type box: an owner-drawn, sorted drop-down list without strings whose items
// are ZICONEntry objects (an icon and a line of text). The box owns its entries and deletes
// each one when its item goes (DeleteString, ResetContent, the window destroyed).
#pragma once

#include <cstddef>

#include "platform/ui/CComboBox.h"
#include "vidur20/chooser/ZICONEntry.h"

class ZIconComboBox : public CComboBox {
public:
    ZIconComboBox() = default;
    // Destroys a window still attached while this object can still delete its entries.
    ~ZIconComboBox() override;

    // Adds an entry in sorted place; answers its index, CB_ERR when the box refused it, -1
    // when no entry could be made.
    int AddItem(LPCSTR lpszText, int nIconID);
    // The index of the first item whose text equals lpszText byte for byte, or -1.
    int FindItem(LPCSTR lpszText) const;
    // The item's text into the buffer, as ZICONEntry::GetText; 0 and "" for a bad index.
    int GetItemText(int nIndex, LPSTR lpszBuffer) const;
    // The selected item's text; "=" and -1 with no selection, "=" and 1 for an empty text.
    int GetCurSelText(LPSTR lpszBuffer, std::size_t nBufferSize) const;
    template <std::size_t N>
    int GetCurSelText(char (&buffer)[N]) const {
        return GetCurSelText(buffer, N);
    }

    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
    void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct) override;
    int CompareItem(LPCOMPAREITEMSTRUCT lpCompareItemStruct) override;
    void DeleteItem(LPDELETEITEMSTRUCT lpDeleteItemStruct) override;

    DECLARE_MESSAGE_MAP()

private:
    const ZICONEntry* EntryAt(int nIndex) const;
};
