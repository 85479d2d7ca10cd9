// SPDX-License-Identifier: MIT
#include "platform/ui/qt/PropertySheetWidget.h"

#include <QApplication>
#include <QPointer>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <algorithm>

#include "platform/resources/ResourceChain.h"
#include "platform/resources/WindowStyles.h"
#include "platform/ui/CPropertySheet.h"
#include "platform/ui/qt/ButtonWidget.h"
#include "platform/ui/qt/DialogBuilder.h"
#include "platform/ui/qt/Look.h"
#include "platform/ui/qt/TextCodec.h"

using namespace ui_detail;

namespace {
constexpr int kMargin = 7; // dialog units around the tabs and between the buttons
constexpr int kButtonWidth = 50; // dialog units, Win32's sheet buttons
constexpr int kButtonHeight = 14;
constexpr int kButtonGap = 4;
constexpr DWORD kSheetStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
} // namespace

PropertySheetWidget::PropertySheetWidget(QWidget* parent, TabChosen tabChosen)
    : DialogWidget(parent, 0, kSheetStyle, false), tabChosen_(std::move(tabChosen)) {}

PropertySheetWidget* PropertySheetWidget::create(HWND parentWindow, const CString& caption,
                                                 const std::vector<Page>& pages, TabChosen tabChosen) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
    ensureLookApplied();
    const QFont font = dialogFont();
    // One set of units for the sheet and all its pages, wide enough for every page's texts.
    BaseUnits units = baseUnits(font);
    int pageCx = 0;
    int pageCy = 0;
    for (const Page& page : pages) {
        units.x = std::max(units.x, unitsFor(*page.dialog, font).x);
        pageCx = std::max<int>(pageCx, page.dialog->cx);
        pageCy = std::max<int>(pageCy, page.dialog->cy);
    }
    QWidget* parent = HWND__::isLive(parentWindow) ? parentWindow->widget() : nullptr;
    auto* sheet = new PropertySheetWidget(parent, std::move(tabChosen));
    sheet->setFont(font);
    sheet->setWindowTitle(fromMacRoman(caption.View()));
    sheet->tabs_ = new QTabWidget(sheet);
    const QRect pageRect = dialogUnitsToPixels(0, 0, pageCx, pageCy, units);
    for (const Page& page : pages) {
        auto* container = new QWidget;
        container->setFixedSize(pageRect.size());
        sheet->containers_.push_back(container);
        sheet->tabs_->addTab(container, fromMacRoman(page.caption.View()));
    }
    const QRect margin = dialogUnitsToPixels(kMargin, kMargin, kButtonWidth, kButtonHeight, units);
    sheet->tabs_->move(margin.x(), margin.y());
    // The pages are fixed in size; the tab widget adds its bar and frame around the largest.
    sheet->tabs_->resize(sheet->tabs_->minimumSizeHint().expandedTo(sheet->tabs_->sizeHint()));
    const int width = sheet->tabs_->width() + 2 * margin.x();
    const int buttonsTop = sheet->tabs_->geometry().bottom() + 1 + margin.y();
    const int gap = mulDiv(kButtonGap, units.x, 4);
    int x = width - margin.x() - 3 * margin.width() - 2 * gap;
    // The sheet's own buttons belong to the system, which shows them in the user's language.
    const bool french = ResourceChain::instance().language() == kLangFrench;
    const std::pair<UINT, const char*> buttons[] = {
        {IDOK, "OK"}, {IDCANCEL, french ? "Annuler" : "Cancel"}, {ID_APPLY_NOW, french ? "&Appliquer" : "&Apply"}};
    for (const auto& [id, text] : buttons) {
        auto* button =
            new ButtonWidget(sheet, id, id == IDOK ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, QString::fromUtf8(text));
        button->setGeometry(x, buttonsTop, margin.width(), margin.height());
        x += margin.width() + gap;
        if (id == ID_APPLY_NOW) {
            button->setEnabled(false);
            sheet->apply_ = button;
        }
    }
    sheet->setFixedSize(width, buttonsTop + margin.height() + margin.y());
    connect(sheet->tabs_, &QTabWidget::currentChanged, sheet, [sheet](int index) {
        if (!sheet->switching_ && sheet->tabChosen_) sheet->tabChosen_(index);
    });
    // Ctrl+Tab and Ctrl+Shift+Tab turn the pages from any control of the sheet, as Win32's
    // sheet does; Qt's tab widget turns them only while the focus is inside it.
    const std::pair<QKeySequence, int> turns[] = {{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                                                  {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
                                                  {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1}};
    for (const auto& [keys, step] : turns) {
        auto* shortcut = new QShortcut(keys, sheet);
        connect(shortcut, &QShortcut::activated, sheet, [sheet, step = step] { sheet->turnPage(step); });
    }
    return sheet;
}

void PropertySheetWidget::placePage(int index, HWND page) {
    if (index < 0 || index >= static_cast<int>(containers_.size()) || !HWND__::isLive(page)) return;
    QWidget* pageWidget = page->widget();
    pageWidget->setParent(containers_[static_cast<std::size_t>(index)]);
    pageWidget->move(0, 0);
    pageWidget->show();
    orderTabStops();
}

// A page made after the sheet's buttons would come after them in Qt's focus chain; Tab goes
// from the tabs into the page, through its controls, then to OK, Cancel and Apply, as in a
// property sheet of the system. The hidden pages' controls are passed over by Tab.
void PropertySheetWidget::orderTabStops() {
    std::vector<QWidget*> order{tabs_->tabBar()};
    for (QWidget* container : containers_)
        for (QWidget* page : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            for (QWidget* control : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (HWND__::fromWidget(control)) order.push_back(control);
    for (ButtonWidget* button : findChildren<ButtonWidget*>(Qt::FindDirectChildrenOnly)) order.push_back(button);
    for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

// As a click on the next tab: the page being left may refuse. The focus stays where it was,
// or goes to the tabs from a page left.
void PropertySheetWidget::turnPage(int step) {
    const int count = tabs_->count();
    const int current = tabs_->currentIndex();
    if (count < 2 || current < 0) return;
    const int next = (current + step + count) % count;
    QPointer<QWidget> focused = QApplication::focusWidget();
    const bool toTabs = focused && (focused == tabs_->tabBar() ||
                                    containers_[static_cast<std::size_t>(current)]->isAncestorOf(focused));
    if (tabChosen_) tabChosen_(next);
    if (toTabs)
        tabs_->tabBar()->setFocus(Qt::TabFocusReason);
    else if (focused && focused->isVisible())
        focused->setFocus(Qt::TabFocusReason);
}

void PropertySheetWidget::showTab(int index) {
    switching_ = true;
    tabs_->setCurrentIndex(index);
    switching_ = false;
}

void PropertySheetWidget::enableApply(bool enable) {
    if (apply_) apply_->setEnabled(enable);
}
