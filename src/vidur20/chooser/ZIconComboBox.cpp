// SPDX-License-Identifier: MIT
#include "vidur20/chooser/ZIconComboBox.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/core/Mbstring.h"
#include "platform/ui/CDC.h"
#include "platform/ui/Win32Api.h"

namespace {
constexpr int kDrawTextSize = 36; // drawing copies the text into a buffer of this size
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kIconLeft = 2;
constexpr int kIconGap = 4;

const ZICONEntry* entryOf(ULONG_PTR itemData) { return reinterpret_cast<const ZICONEntry*>(itemData); }

// Copies what fits, always terminated.
int copyText(const CString& text, LPSTR buffer, std::size_t size) {
    if (!buffer || size == 0) return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(text.GetLength()), size - 1);
    std::memcpy(buffer, static_cast<LPCSTR>(text), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}
} // namespace

BEGIN_MESSAGE_MAP(ZIconComboBox, CComboBox)
END_MESSAGE_MAP()

ZIconComboBox::~ZIconComboBox() {
    if (m_hWnd) DestroyWindow();
}

int ZIconComboBox::AddItem(LPCSTR lpszText, int nIconID) {
    auto* entry = new (std::nothrow) ZICONEntry(lpszText, nIconID);
    if (!entry) return -1;
    // Without a window nobody would own the entry.
    const int index = m_hWnd ? AddString(reinterpret_cast<LPCSTR>(entry)) : CB_ERR;
    if (index < 0) delete entry; // refused: no item will ever delete it
    return index;
}

const ZICONEntry* ZIconComboBox::EntryAt(int nIndex) const {
    if (nIndex < 0 || nIndex >= GetCount()) return nullptr;
    return entryOf(GetItemData(nIndex));
}

int ZIconComboBox::FindItem(LPCSTR lpszText) const {
    const char* wanted = lpszText ? lpszText : "";
    const int count = GetCount();
    for (int i = 0; i < count; ++i) {
        const ZICONEntry* entry = EntryAt(i);
        if (entry && std::strcmp(entry->Text(), wanted) == 0) return i;
    }
    return -1;
}

int ZIconComboBox::GetItemText(int nIndex, LPSTR lpszBuffer) const {
    const ZICONEntry* entry = EntryAt(nIndex);
    if (!entry) {
        if (lpszBuffer) lpszBuffer[0] = '\0';
        return 0;
    }
    return entry->GetText(lpszBuffer);
}

int ZIconComboBox::GetCurSelText(LPSTR lpszBuffer, std::size_t nBufferSize) const {
    const int selected = GetCurSel();
    const ZICONEntry* entry = selected >= 0 ? EntryAt(selected) : nullptr;
    if (!entry) {
        copyText("=", lpszBuffer, nBufferSize);
        return -1;
    }
    if (entry->Text().IsEmpty()) {
        copyText("=", lpszBuffer, nBufferSize);
        return 1;
    }
    return copyText(entry->Text(), lpszBuffer, nBufferSize);
}

// Every action redraws the whole item: the background, the icon at x = 2 and the text
// beside it, white on the highlight colour when selected. No focus rectangle is drawn.
void ZIconComboBox::DrawItem(LPDRAWITEMSTRUCT dis) {
    if (!(dis->itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS))) return;
    const ZICONEntry* entry = entryOf(dis->itemData);
    if (static_cast<int>(dis->itemID) < 0 || !entry) return;
    CDC* dc = CDC::FromHandle(dis->hDC);
    const bool selected = (dis->itemState & ODS_SELECTED) != 0;
    CBrush background(selected ? GetSysColor(COLOR_HIGHLIGHT) : kWhite);
    dc->FillRect(&dis->rcItem, &background);

    HICON icon = LoadIcon(nullptr, MAKEINTRESOURCE(LOWORD(static_cast<DWORD>(entry->GetIconID()))));
    if (!icon) return; // no icon group: a plain bar
    dc->DrawIcon(kIconLeft, dis->rcItem.top, icon);

    RECT textRect = dis->rcItem;
    OffsetRect(&textRect, GetSystemMetrics(SM_CXICON) + kIconGap, 0);
    int oldMode = 0;
    COLORREF oldColor = 0;
    if (selected) {
        oldMode = dc->SetBkMode(TRANSPARENT);
        oldColor = dc->SetTextColor(kWhite);
    }
    char text[kDrawTextSize];
    copyText(entry->Text(), text, sizeof text); // longer texts are cut, never overrun
    dc->DrawText(text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    if (selected) {
        dc->SetTextColor(oldColor);
        dc->SetBkMode(oldMode);
    }
}

void ZIconComboBox::MeasureItem(LPMEASUREITEMSTRUCT mis) {
    mis->itemHeight = static_cast<UINT>(GetSystemMetrics(SM_CYICON) + kIconGap);
}

// The box's order: a case-sensitive byte comparison of the texts.
int ZIconComboBox::CompareItem(LPCOMPAREITEMSTRUCT cis) {
    const ZICONEntry* first = entryOf(cis->itemData1);
    const ZICONEntry* second = entryOf(cis->itemData2);
    return _mbscmp(first ? static_cast<LPCSTR>(first->Text()) : "", second ? static_cast<LPCSTR>(second->Text()) : "");
}

void ZIconComboBox::DeleteItem(LPDELETEITEMSTRUCT dis) { delete entryOf(dis->itemData); }
