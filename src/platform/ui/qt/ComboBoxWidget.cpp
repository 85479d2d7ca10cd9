// SPDX-License-Identifier: MIT
#include "platform/ui/qt/ComboBoxWidget.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <cstring>

#include "platform/core/SortKey.h"
#include "platform/core/TemporaryChange.h"
#include "platform/resources/WindowStyles.h"
#include "platform/ui/CComboBox.h"
#include "platform/ui/qt/DeviceContext.h"
#include "platform/ui/qt/ItemRoles.h"
#include "platform/ui/qt/TextCodec.h"

using namespace ui_detail;

namespace {

constexpr int kFieldBorder = 6; // the closed box is its selection field plus its edges
constexpr int kMaxItemHeight = 255; // CB_SETITEMHEIGHT refuses taller items, as Win32 does

// Draws every item of an owner-drawn box's list through the box's DrawItem.
class OwnerDrawDelegate : public QStyledItemDelegate {
public:
    explicit OwnerDrawDelegate(ComboBoxWidget* box) : QStyledItemDelegate(box), box_(box) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const UINT state = (option.state & QStyle::State_Selected) ? ODS_SELECTED : 0;
        box_->drawOwnerItem(*painter, index.row(), option.rect, state);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {option.rect.width(), box_->itemHeightAt(index.row())};
    }

private:
    ComboBoxWidget* box_;
};

// An item with the Win32 state the box reads on every sorted insert and search as plain
// members; Qt's roles for them read and write the members.
class ComboRow : public QStandardItem {
public:
    ComboRow(const QString& text, BoxRow row) : QStandardItem(text), row_(std::move(row)) {}

    QVariant data(int role) const override {
        if (role == kBytesRole) return row_.bytes;
        if (role == kDataRole) return static_cast<qulonglong>(row_.data);
        return QStandardItem::data(role);
    }
    void setData(const QVariant& value, int role) override {
        if (role != kDataRole) return QStandardItem::setData(value, role);
        row_.data = static_cast<ULONG_PTR>(value.toULongLong());
        emitDataChanged(); // an owner-drawn item is drawn from its data
    }

    BoxRow row_;
};

} // namespace

ComboBoxWidget::ComboBoxWidget(QWidget* parent, UINT id, DWORD style, int fieldHeight, int listHeight)
    : QComboBox(parent),
      HWND__(id, style),
      fieldHeight_(fieldHeight),
      itemHeight_(fieldHeight - 2),
      listHeight_(listHeight) {
    setFixedHeight(fieldHeight_ + kFieldBorder);
    if (ownerDrawn()) setItemDelegate(new OwnerDrawDelegate(this));
    // The list's container exists once view() has been asked for; its hide event catches a
    // list closed without hidePopup (the application losing focus).
    view()->parentWidget()->installEventFilter(this);
    // Installed after the list's own filters, so these run first (see eventFilter).
    view()->installEventFilter(this);
    view()->viewport()->installEventFilter(this);
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (byCode_ == 0) notifyParent(CBN_SELCHANGE);
    });
    updateVisibleItems();
}

CComboBox* ComboBoxWidget::owner() const { return dynamic_cast<CComboBox*>(attached_); }

bool ComboBoxWidget::ownerDrawn() const { return (style_ & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0; }

bool ComboBoxWidget::hasStrings() const { return !ownerDrawn() || (style_ & CBS_HASSTRINGS); }

std::unique_ptr<CWnd> ComboBoxWidget::makeTemporary() { return std::make_unique<CComboBox>(); }

CString ComboBoxWidget::text() const {
    const int index = currentIndex();
    if (index < 0 || !hasStrings()) return CString();
    const QByteArray bytes = itemData(index, kBytesRole).toByteArray();
    return CString(bytes.constData(), static_cast<int>(bytes.size()));
}

int ComboBoxWidget::itemHeightAt(int index) const {
    const QVariant h = itemData(index, kHeightRole);
    return h.isValid() ? h.toInt() : itemHeight_;
}

ULONG_PTR ComboBoxWidget::itemDataAt(int index) const { return rowAt(index).data; }

BoxRow& ComboBoxWidget::rowAt(int index) const {
    return static_cast<ComboRow*>(static_cast<QStandardItemModel*>(model())->item(index))->row_;
}

void ComboBoxWidget::selectByCode(int index) {
    const TemporaryChange byCode(byCode_, byCode_ + 1);
    setCurrentIndex(index);
}

void ComboBoxWidget::updateVisibleItems() {
    const int room = listHeight_ - height() - 2;
    setMaxVisibleItems(std::max(1, room / std::max(1, itemHeight_)));
}

// A box with strings keeps each item's text, and its sort key when sorted; a box without
// strings keeps the value given as the item data.
BoxRow ComboBoxWidget::makeRow(LPARAM lParam) const {
    if (!hasStrings()) return BoxRow{{}, {}, static_cast<ULONG_PTR>(lParam)};
    BoxRow row{QByteArray(lParam ? reinterpret_cast<LPCSTR>(lParam) : ""), {}, 0};
    if (style_ & CBS_SORT) row.sortKey = BoxSortKey(std::string_view(row.bytes.constData(), row.bytes.size()));
    return row;
}

// Compares the new item with item `index`, negative when the new one sorts first.
int ComboBoxWidget::compareNewWith(const BoxRow& row, int index) {
    if (hasStrings()) return row.sortKey.compare(rowAt(index).sortKey);
    CComboBox* box = owner();
    if (!box) return 1; // nobody to ask: keep the order of arrival
    // As Win32 asks it: item 1 is the one in the box, item 2 the one being inserted.
    COMPAREITEMSTRUCT cis{ODT_COMBOBOX,          id_,      this, static_cast<UINT>(index), itemDataAt(index),
                          static_cast<UINT>(-1), row.data, 0};
    return -box->CompareItem(&cis);
}

int ComboBoxWidget::addString(LPARAM lParam) {
    BoxRow row = makeRow(lParam);
    const int at =
        (style_ & CBS_SORT) ? sortedInsertPosition(count(), [&](int i) { return compareNewWith(row, i); }) : count();
    return insertItemAt(at, std::move(row));
}

void ComboBoxWidget::measure(int index) {
    if (!(style_ & CBS_OWNERDRAWVARIABLE)) return;
    MEASUREITEMSTRUCT mis{
        ODT_COMBOBOX,     id_, static_cast<UINT>(index), static_cast<UINT>(width()), static_cast<UINT>(itemHeight_),
        itemDataAt(index)};
    if (CComboBox* box = owner()) box->MeasureItem(&mis);
    setItemData(index, static_cast<int>(mis.itemHeight), kHeightRole);
}

// The item is whole before it goes in: Qt hears of one new row and nothing after.
int ComboBoxWidget::insertItemAt(int index, BoxRow row) {
    {
        const TemporaryChange byCode(byCode_, byCode_ + 1);
        const int before = currentIndex();
        const QString text =
            hasStrings() ? fromMacRoman(std::string_view(row.bytes.constData(), row.bytes.size())) : QString();
        static_cast<QStandardItemModel*>(model())->insertRow(index, new ComboRow(text, std::move(row)));
        // Qt selects the first item put into an empty box; a Win32 box stays without selection.
        if (before < 0) setCurrentIndex(-1);
    }
    measure(index);
    return index;
}

int ComboBoxWidget::deleteItemAt(int index) {
    // WM_DELETEITEM goes out for every owner-drawn item and for any item with data.
    const ULONG_PTR value = itemDataAt(index);
    if (ownerDrawn() || value != 0) {
        DELETEITEMSTRUCT dis{ODT_COMBOBOX, id_, static_cast<UINT>(index), this, value};
        if (CComboBox* box = owner()) box->DeleteItem(&dis);
    }
    const TemporaryChange byCode(byCode_, byCode_ + 1);
    const int selected = currentIndex();
    removeItem(index);
    // Win32 leaves no selection when the selected item goes; Qt would select a neighbour.
    if (selected == index) setCurrentIndex(-1);
    return count();
}

void ComboBoxWidget::deleteAll() {
    for (int i = count() - 1; i >= 0; --i) deleteItemAt(i);
}

int ComboBoxWidget::textLength(int index) const {
    if (!hasStrings()) return static_cast<int>(sizeof(ULONG_PTR));
    return static_cast<int>(itemData(index, kBytesRole).toByteArray().size());
}

// A box without strings hands out its item data as the "text", as Win32 does.
int ComboBoxWidget::getText(int index, LPSTR buffer) const {
    if (!hasStrings()) {
        const ULONG_PTR value = itemDataAt(index);
        std::memcpy(buffer, &value, sizeof value);
        return static_cast<int>(sizeof value);
    }
    const QByteArray bytes = itemData(index, kBytesRole).toByteArray();
    std::memcpy(buffer, bytes.constData(), static_cast<std::size_t>(bytes.size()) + 1);
    return static_cast<int>(bytes.size());
}

// CB_FINDSTRING and CB_FINDSTRINGEXACT: Win32's combo box asks its list (a box without
// strings compares item data).
int ComboBoxWidget::findString(int start, LPCSTR text, bool exact) const {
    return findRow(count(), start, text, exact, hasStrings(), [this](int i) -> const BoxRow& { return rowAt(i); });
}

LRESULT ComboBoxWidget::classProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const int index = static_cast<int>(wParam);
    const bool valid = index >= 0 && index < count();
    switch (message) {
    case CB_ADDSTRING: return addString(lParam);
    case CB_INSERTSTRING: // never sorted; -1 appends
        if (index == -1) return insertItemAt(count(), makeRow(lParam));
        if (index < 0 || index > count()) return CB_ERR;
        return insertItemAt(index, makeRow(lParam));
    case CB_DELETESTRING: return valid ? deleteItemAt(index) : CB_ERR;
    case CB_RESETCONTENT: deleteAll(); return CB_OKAY;
    case CB_GETCOUNT: return count();
    case CB_GETCURSEL: return currentIndex() < 0 ? CB_ERR : currentIndex();
    case CB_SETCURSEL: // -1 or an index out of range clears the selection and answers CB_ERR
        selectByCode(valid ? index : -1);
        return valid ? index : CB_ERR;
    case CB_GETLBTEXT: return valid && lParam ? getText(index, reinterpret_cast<LPSTR>(lParam)) : CB_ERR;
    case CB_GETLBTEXTLEN: return valid ? textLength(index) : CB_ERR;
    case CB_SETITEMDATA:
        if (!valid) return CB_ERR;
        setItemData(index, static_cast<qulonglong>(lParam), kDataRole);
        return TRUE;
    case CB_GETITEMDATA: return valid ? static_cast<LRESULT>(itemDataAt(index)) : CB_ERR;
    case CB_SETITEMHEIGHT: {
        if (lParam <= 0 || lParam > kMaxItemHeight) return CB_ERR;
        const int h = static_cast<int>(lParam);
        if (index == -1) {
            fieldHeight_ = h;
            setFixedHeight(h + kFieldBorder);
        } else if (style_ & CBS_OWNERDRAWVARIABLE) {
            if (!valid) return CB_ERR;
            setItemData(index, h, kHeightRole);
        } else {
            itemHeight_ = h;
        }
        updateVisibleItems();
        update();
        return CB_OKAY;
    }
    case CB_GETITEMHEIGHT:
        if (index == -1) return fieldHeight_;
        if (style_ & CBS_OWNERDRAWVARIABLE) return valid ? itemHeightAt(index) : CB_ERR;
        return itemHeight_;
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT: return findString(index, reinterpret_cast<LPCSTR>(lParam), message == CB_FINDSTRINGEXACT);
    case CB_SHOWDROPDOWN:
        if (wParam)
            showPopup();
        else if (dropped_)
            hidePopup();
        return TRUE;
    case CB_GETDROPPEDSTATE: return dropped_ ? TRUE : FALSE;
    case WM_SETTEXT: // a drop-down list has no edit field to take text
        return CB_ERR;
    case WM_DESTROY: deleteAll(); return 0;
    default: return HWND__::classProc(message, wParam, lParam);
    }
}

void ComboBoxWidget::showPopup() {
    if (dropped_) return;
    notifyParent(CBN_DROPDOWN);
    // Marked open only once shown: Qt hides the list's container on the way.
    QComboBox::showPopup();
    dropped_ = view()->isVisible();
    // Qt shows no list for an empty box; Win32 drops an empty one, and its owner waits for the
    // CBN_CLOSEUP that closing it sends. The empty list closes at once here.
    if (!dropped_ && count() == 0) {
        dropped_ = true;
        closedUp();
    }
}

// CBN_CLOSEUP goes out whenever the list closes, whether the selection changed or not.
void ComboBoxWidget::hidePopup() {
    QComboBox::hidePopup();
    closedUp();
}

// Qt closes the list before it takes the chosen item; Win32's box holds the new selection by
// the time CBN_CLOSEUP arrives (handlers read it there), so the choice is taken first here.
void ComboBoxWidget::takeChoice(const QModelIndex& index) {
    if (!index.isValid() || !(index.flags() & Qt::ItemIsEnabled) || index.row() == currentIndex()) return;
    setCurrentIndex(index.row()); // a user's change: CBN_SELCHANGE
}

bool ComboBoxWidget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide && watched == view()->parentWidget()) closedUp();
    // The list acts on Return already at the shortcut check that precedes the key press.
    const bool keyEvent = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (dropped_ && keyEvent && watched == view()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) takeChoice(view()->currentIndex());
    }
    if (dropped_ && event->type() == QEvent::MouseButtonRelease && watched == view()->viewport()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) takeChoice(view()->indexAt(mouse->position().toPoint()));
    }
    return QComboBox::eventFilter(watched, event);
}

void ComboBoxWidget::closedUp() {
    if (!dropped_) return;
    dropped_ = false;
    notifyParent(CBN_CLOSEUP);
}

void ComboBoxWidget::drawOwnerItem(QPainter& painter, int index, const QRect& rect, UINT state) {
    CComboBox* box = owner();
    if (!box) return;
    painter.save();
    painter.setClipRect(rect);
    HDC__ dc(painter, font());
    DRAWITEMSTRUCT dis{ODT_COMBOBOX,
                       id_,
                       static_cast<UINT>(index),
                       ODA_DRAWENTIRE,
                       state | (isEnabled() ? 0U : ODS_DISABLED),
                       this,
                       &dc,
                       fromQRect(rect),
                       index >= 0 ? itemDataAt(index) : 0};
    box->DrawItem(&dis);
    painter.restore();
}

// Qt paints the closed box from the item's text; an owner-drawn box draws its selection
// field itself, selected while the box has the focus, as Win32 does.
void ComboBoxWidget::paintEvent(QPaintEvent* event) {
    if (!ownerDrawn()) {
        QComboBox::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const UINT state = ODS_COMBOBOXEDIT | (hasFocus() ? ODS_SELECTED | ODS_FOCUS : 0U);
    drawOwnerItem(painter, currentIndex(), field, state);
}
