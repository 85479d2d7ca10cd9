// SPDX-License-Identifier: MIT
// A COMBOBOX control of the drop-down list kind, answering the CB_ messages as Win32 does:
// sorted inserts (without regard to case for strings, through CompareItem for an owner-drawn
// box without strings), CB_ERR results, no CBN_SELCHANGE for a selection made by code,
// CBN_CLOSEUP whenever the list closes, DeleteItem for every item that goes away.
#pragma once

#include <QComboBox>

#include "platform/ui/qt/ItemRoles.h"
#include "platform/ui/qt/WindowCore.h"

class CComboBox;

class ComboBoxWidget : public QComboBox, public HWND__ {
    Q_OBJECT
public:
    ComboBoxWidget(QWidget* parent, UINT id, DWORD style, int fieldHeight, int listHeight);
    QWidget* widget() override { return this; }
    LRESULT classProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    CString text() const override;
    std::unique_ptr<CWnd> makeTemporary() override;

    void showPopup() override;
    void hidePopup() override;

    bool ownerDrawn() const;
    bool hasStrings() const;
    int itemHeightAt(int index) const;
    // Draws one item (index -1: the empty selection field) through the owner's DrawItem.
    void drawOwnerItem(QPainter& painter, int index, const QRect& rect, UINT state);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CComboBox* owner() const;
    ui_detail::BoxRow makeRow(LPARAM lParam) const;
    ui_detail::BoxRow& rowAt(int index) const;
    int insertItemAt(int index, ui_detail::BoxRow row);
    int addString(LPARAM lParam);
    int compareNewWith(const ui_detail::BoxRow& row, int index);
    void measure(int index);
    int deleteItemAt(int index);
    void deleteAll();
    void selectByCode(int index);
    int findString(int start, LPCSTR text, bool exact) const;
    int getText(int index, LPSTR buffer) const;
    int textLength(int index) const;
    ULONG_PTR itemDataAt(int index) const;
    void closedUp();
    void takeChoice(const QModelIndex& index);
    void updateVisibleItems();

    int fieldHeight_;
    int itemHeight_;
    int listHeight_;
    int byCode_ = 0; // above 0 while code changes the box: no CBN_SELCHANGE
    bool dropped_ = false;
};
