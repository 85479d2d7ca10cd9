#include "platform/ui/qt/ListBoxWidget.h"

#include <QPainter>
#include <QStyledItemDelegate>
#include <cstring>

#include "text/MacRoman.h"
#include "platform/resources/WindowStyles.h"
#include "platform/ui/CListBox.h"
#include "platform/ui/qt/ItemRoles.h"
#include "platform/ui/qt/Look.h"
#include "platform/ui/qt/TextCodec.h"

using namespace ui_detail;

namespace {

constexpr int kDefaultTabStop = 32; // dialog template units, Win32's default interval

// Draws an item as a Win32 list box does: the text in segments at the tab stops, clipped to
// the item, on the highlight colour when selected.
class TabStopDelegate : public QStyledItemDelegate {
public:
    explicit TabStopDelegate(ListBoxWidget* box) : QStyledItemDelegate(box), m_box(box) {}

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
            if (i > 0) x = m_box->nextTabStop(x);
            if (x >= option.rect.width()) break; // beyond the right edge: never seen
            const QString text = fromMacRoman(std::string_view(segments[i].constData(), segments[i].size()));
            painter->drawText(QRect(option.rect.left() + x, option.rect.top(), option.rect.width() - x, option.rect.height()),
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
            x += metrics.horizontalAdvance(text);
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return {option.rect.width(), QFontMetrics(option.font).height()};
    }

private:
    ListBoxWidget* m_box;
};

} // namespace

ListBoxWidget::ListBoxWidget(QWidget* parent, UINT id, DWORD style, int averageCharWidth)
    : QListWidget(parent), HWND__(id, style), m_averageCharWidth(averageCharWidth) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setItemDelegate(new TabStopDelegate(this));
    setFrameShape((style & WS_BORDER) ? QFrame::Box : QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabStops(0, nullptr);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_byCode == 0 && notifies()) notifyParent(LBN_SELCHANGE);
    });
    connect(this, &QAbstractItemView::doubleClicked, this, [this] {
        if (notifies()) notifyParent(LBN_DBLCLK);
    });
}

CListBox* ListBoxWidget::owner() const { return dynamic_cast<CListBox*>(m_attached); }

bool ListBoxWidget::notifies() const { return (m_style & LBS_NOTIFY) != 0; }

std::unique_ptr<CWnd> ListBoxWidget::makeTemporary() { return std::make_unique<CListBox>(); }

// Tab stops are given in dialog template units of the box's font: a quarter of its average
// character width each. One stop is an interval; several are positions, after which the
// default interval applies.
void ListBoxWidget::setTabStops(int n, const int* stops) {
    m_tabStops.clear();
    if (n <= 0 || !stops) {
        m_tabStops.push_back(mulDiv(kDefaultTabStop, m_averageCharWidth, 4));
    } else {
        for (int i = 0; i < n; ++i) m_tabStops.push_back(mulDiv(stops[i], m_averageCharWidth, 4));
    }
    viewport()->update();
}

int ListBoxWidget::nextTabStop(int x) const {
    if (m_tabStops.size() == 1) {
        const int interval = std::max(1, m_tabStops.front());
        return (x / interval + 1) * interval;
    }
    for (int stop : m_tabStops)
        if (stop > x) return stop;
    const int interval = std::max(1, mulDiv(kDefaultTabStop, m_averageCharWidth, 4));
    return (x / interval + 1) * interval;
}

int ListBoxWidget::selection() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void ListBoxWidget::selectByCode(int index) {
    ++m_byCode;
    if (index < 0) {
        clearSelection();
        setCurrentRow(-1);
    } else {
        setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
        scrollToItem(item(index));
    }
    --m_byCode;
}

QByteArray ListBoxWidget::bytesAt(int index) const { return item(index)->data(kBytesRole).toByteArray(); }

int ListBoxWidget::insertAt(int index, LPCSTR text) {
    const QByteArray bytes(text ? text : "");
    ++m_byCode;
    auto* entry = new QListWidgetItem(fromMacRoman(std::string_view(bytes.constData(), bytes.size())));
    entry->setData(kBytesRole, bytes);
    entry->setData(kDataRole, 0ULL);
    insertItem(index, entry);
    --m_byCode;
    return index;
}

int ListBoxWidget::deleteAt(int index) {
    const auto value = static_cast<ULONG_PTR>(item(index)->data(kDataRole).toULongLong());
    if (value != 0) {
        DELETEITEMSTRUCT dis{ODT_LISTBOX, m_id, static_cast<UINT>(index), this, value};
        if (CListBox* box = owner()) box->DeleteItem(&dis);
    }
    ++m_byCode;
    const int selected = selection();
    delete takeItem(index);
    if (selected == index) selectByCode(-1);
    --m_byCode;
    return count();
}

void ListBoxWidget::deleteAll() {
    for (int i = count() - 1; i >= 0; --i) deleteAt(i);
}

int ListBoxWidget::findString(int start, LPCSTR text, bool exact) const {
    const int n = count();
    if (n == 0) return LB_ERR;
    if (start < -1 || start >= n) start = -1;
    const std::string_view wanted = text ? text : "";
    for (int k = 1; k <= n; ++k) {
        const int i = (start + k) % n;
        const QByteArray bytes = bytesAt(i);
        std::string_view entry(bytes.constData(), bytes.size());
        if (!exact && entry.size() >= wanted.size()) entry = entry.substr(0, wanted.size());
        if (appletalk::text::compareFolded(entry, wanted) == 0) return i;
    }
    return LB_ERR;
}

LRESULT ListBoxWidget::classProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const int index = static_cast<int>(wParam);
    const bool valid = index >= 0 && index < count();
    const LPCSTR text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
    switch (message) {
    case LB_ADDSTRING: {
        if (!(m_style & LBS_SORT)) return insertAt(count(), text);
        const int at = sortedInsertPosition(count(), [&](int i) {
            const QByteArray bytes = bytesAt(i);
            return appletalk::text::compareFolded(text, std::string_view(bytes.constData(), bytes.size()));
        });
        return insertAt(at, text);
    }
    case LB_INSERTSTRING:
        if (index == -1) return insertAt(count(), text);
        if (index < 0 || index > count()) return LB_ERR;
        return insertAt(index, text);
    case LB_DELETESTRING:
        return valid ? deleteAt(index) : LB_ERR;
    case LB_RESETCONTENT:
        deleteAll();
        return LB_OKAY;
    case LB_GETCOUNT:
        return count();
    case LB_GETCURSEL:
        return selection();
    case LB_SETCURSEL: // -1 clears the selection; both -1 and a bad index answer LB_ERR
        if (index == -1) selectByCode(-1);
        if (!valid) return LB_ERR;
        selectByCode(index);
        return index;
    case LB_GETTEXT: {
        if (!valid || !lParam) return LB_ERR;
        const QByteArray bytes = bytesAt(index);
        std::memcpy(reinterpret_cast<LPSTR>(lParam), bytes.constData(), static_cast<std::size_t>(bytes.size()) + 1);
        return bytes.size();
    }
    case LB_GETTEXTLEN:
        return valid ? bytesAt(index).size() : LB_ERR;
    case LB_SETITEMDATA:
        if (!valid) return LB_ERR;
        item(index)->setData(kDataRole, static_cast<qulonglong>(lParam));
        return TRUE;
    case LB_GETITEMDATA:
        return valid ? static_cast<LRESULT>(item(index)->data(kDataRole).toULongLong()) : LB_ERR;
    case LB_SETTABSTOPS:
        setTabStops(static_cast<int>(wParam), reinterpret_cast<const int*>(lParam));
        return TRUE;
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
        return findString(index, reinterpret_cast<LPCSTR>(lParam), message == LB_FINDSTRINGEXACT);
    case WM_DESTROY:
        deleteAll();
        return 0;
    default:
        return HWND__::classProc(message, wParam, lParam);
    }
}
