// SPDX-License-Identifier: MIT
#include "platform/ui/qt/ListBoxWidget.h"

#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>
#include <cstring>

#include "platform/core/SortKey.h"
#include "platform/core/TemporaryChange.h"
#include "platform/resources/WindowStyles.h"
#include "platform/ui/CListBox.h"
#include "platform/ui/qt/ItemRoles.h"
#include "platform/ui/qt/Look.h"
#include "platform/ui/qt/TextCodec.h"

using namespace ui_detail;

namespace {

constexpr int kDefaultTabStop = 32; // dialog template units, Win32's default interval

// Win32's focus rectangle: a dotted frame that inverts what it covers, shown whether the
// focus came by the keyboard or the mouse (Qt's Windows style shows it only after a key).
void drawFocusRect(QPainter& painter, const QRect& rect, const QColor& background, const QWidget* widget) {
    QStyleOptionFocusRect option;
    option.initFrom(widget);
    option.rect = rect;
    option.backgroundColor = background;
    option.state |= QStyle::State_KeyboardFocusChange;
    widget->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, widget);
}

// An item with its Win32 state as plain members, where the sorted insert reads them. Its
// text for Qt (typing to search, accessibility) is made only when Qt asks: the delegate
// draws from the bytes.
class ListRow : public QListWidgetItem {
public:
    explicit ListRow(BoxRow row) : QListWidgetItem(nullptr, QListWidgetItem::UserType), row_(std::move(row)) {}

    QVariant data(int role) const override {
        switch (role) {
        case Qt::DisplayRole:
            return fromMacRoman(std::string_view(row_.bytes.constData(), static_cast<std::size_t>(row_.bytes.size())));
        case kBytesRole: return row_.bytes;
        case kDataRole: return static_cast<qulonglong>(row_.data);
        default: return QListWidgetItem::data(role);
        }
    }
    // The item data is never shown, so setting it tells the view nothing (Qt would repaint).
    void setData(int role, const QVariant& value) override {
        if (role == kDataRole)
            row_.data = static_cast<ULONG_PTR>(value.toULongLong());
        else
            QListWidgetItem::setData(role, value);
    }

    BoxRow row_;
};

// Draws an item as a Win32 list box does: the text in segments at the tab stops, clipped to
// the item, on the highlight colour when selected.
class TabStopDelegate : public QStyledItemDelegate {
public:
    explicit TabStopDelegate(ListBoxWidget* box) : QStyledItemDelegate(box), box_(box) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& palette = option.palette;
        painter->save();
        painter->setClipRect(option.rect);
        if (selected) painter->fillRect(option.rect, palette.color(QPalette::Highlight));
        painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        if (!(option.state & QStyle::State_Enabled)) painter->setPen(palette.color(QPalette::Disabled, QPalette::Text));
        const QByteArray bytes = index.data(kBytesRole).toByteArray();
        const QList<QByteArray> segments = bytes.split('\t');
        const QFontMetrics metrics(option.font);
        int x = 0;
        for (int i = 0; i < segments.size(); ++i) {
            if (i > 0) x = box_->nextTabStop(x);
            if (x >= option.rect.width()) break; // beyond the right edge: never seen
            const QString text = fromMacRoman(std::string_view(segments[i].constData(), segments[i].size()));
            painter->drawText(
                QRect(option.rect.left() + x, option.rect.top(), option.rect.width() - x, option.rect.height()),
                Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
            x += metrics.horizontalAdvance(text);
        }
        // The caret item of a focused list, selected or not.
        if (option.state & QStyle::State_HasFocus)
            drawFocusRect(*painter, option.rect, palette.color(selected ? QPalette::Highlight : QPalette::Base), box_);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return {option.rect.width(), QFontMetrics(option.font).height()};
    }

private:
    ListBoxWidget* box_;
};

} // namespace

ListBoxWidget::ListBoxWidget(QWidget* parent, UINT id, DWORD style, int averageCharWidth)
    : QListWidget(parent), HWND__(id, style), averageCharWidth_(averageCharWidth) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setItemDelegate(new TabStopDelegate(this));
    setFrameShape((style & WS_BORDER) ? QFrame::Box : QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabStops(0, nullptr);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (byCode_ == 0 && notifies()) notifyParent(LBN_SELCHANGE);
    });
    connect(this, &QAbstractItemView::doubleClicked, this, [this] {
        if (notifies()) notifyParent(LBN_DBLCLK);
    });
}

CListBox* ListBoxWidget::owner() const { return dynamic_cast<CListBox*>(attached_); }

bool ListBoxWidget::notifies() const { return (style_ & LBS_NOTIFY) != 0; }

std::unique_ptr<CWnd> ListBoxWidget::makeTemporary() { return std::make_unique<CListBox>(); }

// Tab stops are given in dialog template units of the box's font: a quarter of its average
// character width each. One stop is an interval; several are positions, after which the
// default interval applies.
void ListBoxWidget::setTabStops(int n, const int* stops) {
    tabStops_.clear();
    if (n <= 0 || !stops) {
        tabStops_.push_back(mulDiv(kDefaultTabStop, averageCharWidth_, 4));
    } else {
        for (int i = 0; i < n; ++i) tabStops_.push_back(mulDiv(stops[i], averageCharWidth_, 4));
    }
    viewport()->update();
}

int ListBoxWidget::nextTabStop(int x) const {
    if (tabStops_.size() == 1) {
        const int interval = std::max(1, tabStops_.front());
        return (x / interval + 1) * interval;
    }
    for (int stop : tabStops_)
        if (stop > x) return stop;
    const int interval = std::max(1, mulDiv(kDefaultTabStop, averageCharWidth_, 4));
    return (x / interval + 1) * interval;
}

int ListBoxWidget::selection() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void ListBoxWidget::selectByCode(int index) {
    const TemporaryChange byCode(byCode_, byCode_ + 1);
    if (index < 0) {
        clearSelection();
        setCurrentRow(-1);
    } else {
        setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
        scrollToItem(item(index));
    }
}

BoxRow& ListBoxWidget::rowAt(int index) const { return static_cast<ListRow*>(item(index))->row_; }

// A sorted list keeps each item's sort key, whether it came in sorted or at an index.
BoxRow ListBoxWidget::makeRow(LPCSTR text) const {
    BoxRow row{QByteArray(text ? text : ""), {}, 0};
    if (style_ & LBS_SORT) row.sortKey = BoxSortKey(std::string_view(row.bytes.constData(), row.bytes.size()));
    return row;
}

// The item is whole before it goes in: Qt hears of one new row and nothing after.
int ListBoxWidget::insertAt(int index, BoxRow row) {
    const TemporaryChange byCode(byCode_, byCode_ + 1);
    insertItem(index, new ListRow(std::move(row)));
    return index;
}

// Win32's sorted insert, comparing the new item's key with the kept keys of the others.
int ListBoxWidget::addSorted(LPCSTR text) {
    BoxRow row = makeRow(text);
    const int at = sortedInsertPosition(count(), [&](int i) { return row.sortKey.compare(rowAt(i).sortKey); });
    return insertAt(at, std::move(row));
}

int ListBoxWidget::deleteAt(int index) {
    const ULONG_PTR value = rowAt(index).data;
    if (value != 0) {
        DELETEITEMSTRUCT dis{ODT_LISTBOX, id_, static_cast<UINT>(index), this, value};
        if (CListBox* box = owner()) box->DeleteItem(&dis);
    }
    const TemporaryChange byCode(byCode_, byCode_ + 1);
    const int selected = selection();
    delete takeItem(index);
    if (selected == index) selectByCode(-1);
    return count();
}

void ListBoxWidget::deleteAll() {
    for (int i = count() - 1; i >= 0; --i) deleteAt(i);
}

int ListBoxWidget::findString(int start, LPCSTR text, bool exact) const {
    return findRow(count(), start, text, exact, true, [this](int i) -> const BoxRow& { return rowAt(i); });
}

LRESULT ListBoxWidget::classProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const int index = static_cast<int>(wParam);
    const bool valid = index >= 0 && index < count();
    const LPCSTR text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
    switch (message) {
    case LB_ADDSTRING: return (style_ & LBS_SORT) ? addSorted(text) : insertAt(count(), makeRow(text));
    case LB_INSERTSTRING:
        if (index == -1) return insertAt(count(), makeRow(text));
        if (index < 0 || index > count()) return LB_ERR;
        return insertAt(index, makeRow(text));
    case LB_DELETESTRING: return valid ? deleteAt(index) : LB_ERR;
    case LB_RESETCONTENT: deleteAll(); return LB_OKAY;
    case LB_GETCOUNT: return count();
    case LB_GETCURSEL: return selection();
    case LB_SETCURSEL: // -1 clears the selection; both -1 and a bad index answer LB_ERR
        if (index == -1) selectByCode(-1);
        if (!valid) return LB_ERR;
        selectByCode(index);
        return index;
    case LB_GETTEXT: {
        if (!valid || !lParam) return LB_ERR;
        const QByteArray& bytes = rowAt(index).bytes;
        std::memcpy(reinterpret_cast<LPSTR>(lParam), bytes.constData(), static_cast<std::size_t>(bytes.size()) + 1);
        return bytes.size();
    }
    case LB_GETTEXTLEN: return valid ? rowAt(index).bytes.size() : LB_ERR;
    case LB_SETITEMDATA:
        if (!valid) return LB_ERR;
        rowAt(index).data = static_cast<ULONG_PTR>(lParam);
        return TRUE;
    case LB_GETITEMDATA: return valid ? static_cast<LRESULT>(rowAt(index).data) : LB_ERR;
    case LB_SETTABSTOPS: setTabStops(static_cast<int>(wParam), reinterpret_cast<const int*>(lParam)); return TRUE;
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT: return findString(index, reinterpret_cast<LPCSTR>(lParam), message == LB_FINDSTRINGEXACT);
    case WM_DESTROY: deleteAll(); return 0;
    default: return HWND__::classProc(message, wParam, lParam);
    }
}
