// SPDX-License-Identifier: MIT
// A LISTBOX control with single selection, answering the LB_ messages as Win32 does: sorted
// inserts without regard to case, LB_ERR results, notifications (LBN_SELCHANGE for a user's
// change, LBN_DBLCLK) only with LBS_NOTIFY, and items drawn with the tab stops given in
// dialog template units: text past a tab stop beyond the right edge is not seen. A focused
// list frames its caret item with the dotted focus rectangle.
#pragma once

#include <QListWidget>
#include <vector>

#include "platform/ui/qt/ItemRoles.h"
#include "platform/ui/qt/WindowCore.h"

class CListBox;

class ListBoxWidget : public QListWidget, public HWND__ {
    Q_OBJECT
public:
    ListBoxWidget(QWidget* parent, UINT id, DWORD style, int averageCharWidth);
    QWidget* widget() override { return this; }
    LRESULT classProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    CString text() const override { return CString(); }
    std::unique_ptr<CWnd> makeTemporary() override;

    // The x of the tab stop that follows x, in pixels from the item's left edge.
    int nextTabStop(int x) const;

private:
    CListBox* owner() const;
    int selection() const;
    void selectByCode(int index);
    ui_detail::BoxRow makeRow(LPCSTR text) const;
    int insertAt(int index, ui_detail::BoxRow row);
    int addSorted(LPCSTR text);
    int deleteAt(int index);
    void deleteAll();
    ui_detail::BoxRow& rowAt(int index) const;
    int findString(int start, LPCSTR text, bool exact) const;
    void setTabStops(int count, const int* stops);
    bool notifies() const;

    int averageCharWidth_;
    std::vector<int> tabStops_; // pixels; one entry: an interval
    int byCode_ = 0; // above 0 while code changes the list: no notifications
};
