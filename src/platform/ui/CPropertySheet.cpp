#include "platform/ui/CPropertySheet.h"

#include <QApplication>
#include <QEventLoop>
#include <QTabWidget>

#include "platform/resources/ResourceChain.h"
#include "platform/resources/WindowStyles.h"
#include "platform/ui/Win32Api.h"
#include "platform/ui/qt/ButtonWidget.h"
#include "platform/ui/qt/DialogWidget.h"
#include "platform/ui/qt/Look.h"
#include "platform/ui/qt/TextCodec.h"

IMPLEMENT_DYNAMIC(CPropertySheet, CWnd)

using namespace ui_detail;

namespace {
constexpr int kMargin = 7;       // dialog units around the tabs and between the buttons
constexpr int kButtonWidth = 50; // dialog units, Win32's sheet buttons
constexpr int kButtonHeight = 14;
constexpr int kButtonGap = 4;
constexpr DWORD kSheetStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
} // namespace

struct CPropertySheet::ModalState {
    QEventLoop loop;
    bool ended = false;
};

struct CPropertySheet::Widgets {
    QTabWidget* tabs = nullptr;
    std::vector<QWidget*> containers;
    ButtonWidget* apply = nullptr;
    bool switching = false;
};

CPropertySheet::CPropertySheet(LPCSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_strCaption(pszCaption ? pszCaption : ""), m_pParentWnd(pParentWnd), m_active(static_cast<int>(iSelectPage)) {}

CPropertySheet::CPropertySheet(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_pParentWnd(pParentWnd), m_active(static_cast<int>(iSelectPage)) {
    AfxLoadString(nIDCaption, m_strCaption);
}

CPropertySheet::~CPropertySheet() = default;

void CPropertySheet::AddPage(CPropertyPage* pPage) {
    if (!pPage) return;
    pPage->m_pSheet = this;
    m_pages.push_back(pPage);
}

CPropertyPage* CPropertySheet::GetPage(int nPage) const {
    return nPage >= 0 && nPage < GetPageCount() ? m_pages[static_cast<std::size_t>(nPage)] : nullptr;
}

// A page's window is made the first time the page is shown, as Win32 does.
BOOL CPropertySheet::ShowPage(int nPage) {
    CPropertyPage* page = GetPage(nPage);
    if (!page || !m_widgets) return FALSE;
    if (!page->m_hWnd) {
        if (!page->CreatePageWindow(this)) return FALSE;
        QWidget* pageWidget = page->m_hWnd->widget();
        pageWidget->setParent(m_widgets->containers[static_cast<std::size_t>(nPage)]);
        pageWidget->move(0, 0);
        pageWidget->show();
    }
    m_active = nPage;
    m_widgets->switching = true;
    m_widgets->tabs->setCurrentIndex(nPage);
    m_widgets->switching = false;
    page->OnSetActive();
    return TRUE;
}

BOOL CPropertySheet::SetActivePage(int nPage) {
    if (!GetPage(nPage)) return FALSE;
    if (!m_widgets) {
        m_active = nPage;
        return TRUE;
    }
    if (CPropertyPage* current = GetActivePage(); current && current->m_hWnd && !current->OnKillActive()) return FALSE;
    return ShowPage(nPage);
}

int CPropertySheet::DoModal() {
    if (m_pages.empty() || m_hWnd) return -1;
    const ResourceChain& chain = ResourceChain::instance();
    int pageCx = 0;
    int pageCy = 0;
    for (CPropertyPage* page : m_pages) {
        const DialogTemplate* dialog = chain.findDialog(page->m_nIDTemplate);
        if (!dialog) return -1;
        pageCx = std::max<int>(pageCx, dialog->cx);
        pageCy = std::max<int>(pageCy, dialog->cy);
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return -1;
    ensureLookApplied();
    const QFont font = dialogFont();
    const BaseUnits units = baseUnits(font);
    QWidget* parent = m_pParentWnd && HWND__::isLive(m_pParentWnd->m_hWnd) ? m_pParentWnd->m_hWnd->widget() : nullptr;

    auto* sheet = new DialogWidget(parent, 0, kSheetStyle, false);
    sheet->setFont(font);
    sheet->setWindowTitle(fromMacRoman(m_strCaption.View()));
    Widgets widgets;
    m_widgets = &widgets;
    widgets.tabs = new QTabWidget(sheet);
    const QRect pageRect = dialogUnitsToPixels(0, 0, pageCx, pageCy, units);
    for (CPropertyPage* page : m_pages) {
        auto* container = new QWidget;
        container->setFixedSize(pageRect.size());
        widgets.containers.push_back(container);
        widgets.tabs->addTab(container, fromMacRoman(page->GetCaption().View()));
    }
    const QRect margin = dialogUnitsToPixels(kMargin, kMargin, kButtonWidth, kButtonHeight, units);
    widgets.tabs->move(margin.x(), margin.y());
    // The pages are fixed in size; the tab widget adds its bar and frame around the largest.
    widgets.tabs->resize(widgets.tabs->minimumSizeHint().expandedTo(widgets.tabs->sizeHint()));
    const int width = widgets.tabs->width() + 2 * margin.x();
    const int buttonsTop = widgets.tabs->geometry().bottom() + 1 + margin.y();
    const int gap = mulDiv(kButtonGap, units.x, 4);
    int x = width - margin.x() - 3 * margin.width() - 2 * gap;
    // The sheet's own buttons belong to the system, which shows them in the user's language.
    const bool french = ResourceChain::instance().language() == kLangFrench;
    const std::pair<UINT, const char*> buttons[] = {
        {IDOK, "OK"}, {IDCANCEL, french ? "Annuler" : "Cancel"}, {ID_APPLY_NOW, french ? "&Appliquer" : "&Apply"}};
    for (const auto& [id, text] : buttons) {
        auto* button = new ButtonWidget(sheet, id, id == IDOK ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, QString::fromUtf8(text));
        button->setGeometry(x, buttonsTop, margin.width(), margin.height());
        x += margin.width() + gap;
        if (id == ID_APPLY_NOW) {
            button->setEnabled(false);
            widgets.apply = button;
        }
    }
    sheet->setFixedSize(width, buttonsTop + margin.height() + margin.y());
    Attach(sheet);

    QObject::connect(widgets.tabs, &QTabWidget::currentChanged, sheet, [this](int index) {
        if (!m_widgets || m_widgets->switching) return;
        if (!SetActivePage(index)) { // the page being left refused
            m_widgets->switching = true;
            m_widgets->tabs->setCurrentIndex(m_active);
            m_widgets->switching = false;
        }
    });

    ModalState modal;
    m_modal = &modal;
    m_nModalResult = -1;
    if (!ShowPage(GetPage(m_active) ? m_active : 0)) EndDialog(-1);
    if (!modal.ended && m_hWnd) {
        sheet->setWindowModality(Qt::ApplicationModal);
        sheet->show();
        modal.loop.exec();
    }
    m_modal = nullptr;
    m_widgets = nullptr;
    if (HWND__::isLive(m_hWnd)) m_hWnd->destroy(true);
    return m_nModalResult;
}

void CPropertySheet::EndDialog(int nEndID) {
    m_nModalResult = nEndID;
    if (!m_modal) return;
    m_modal->ended = true;
    m_modal->loop.exit(nEndID);
    if (HWND__::isLive(m_hWnd)) m_hWnd->widget()->hide();
}

void CPropertySheet::PageModified(BOOL bChanged) {
    if (m_widgets && m_widgets->apply) m_widgets->apply->setEnabled(bChanged != FALSE);
}

void CPropertySheet::OnSheetOK() {
    if (CPropertyPage* active = GetActivePage(); active && active->m_hWnd && !active->OnKillActive()) return;
    for (CPropertyPage* page : m_pages)
        if (page->m_hWnd) page->OnOK();
    EndDialog(IDOK);
}

void CPropertySheet::OnSheetCancel() {
    for (CPropertyPage* page : m_pages)
        if (page->m_hWnd) page->OnCancel();
    EndDialog(IDCANCEL);
}

void CPropertySheet::OnSheetApply() {
    if (CPropertyPage* active = GetActivePage(); active && active->m_hWnd && !active->OnKillActive()) return;
    for (CPropertyPage* page : m_pages)
        if (page->m_hWnd) page->OnApply();
    PageModified(FALSE);
}

BOOL CPropertySheet::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (CWnd::OnCommand(wParam, lParam)) return TRUE;
    switch (LOWORD(static_cast<DWORD>(wParam))) {
    case IDOK:
        OnSheetOK();
        return TRUE;
    case IDCANCEL:
        OnSheetCancel();
        return TRUE;
    case ID_APPLY_NOW:
        OnSheetApply();
        return TRUE;
    default:
        return FALSE;
    }
}
