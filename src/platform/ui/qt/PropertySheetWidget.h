// SPDX-License-Identifier: MIT
// The window of a property sheet: a tab per page above the sheet's own OK, Cancel and Apply
// buttons, each page in a container of the largest page's size. Keys and the close box are
// a dialog's (DialogWidget); the sheet object makes and places the pages' windows.
#pragma once

#include <functional>
#include <vector>

#include "platform/resources/ResourceTypes.h"
#include "platform/ui/qt/DialogWidget.h"

class ButtonWidget;
class QTabWidget;

class PropertySheetWidget : public DialogWidget {
    Q_OBJECT
public:
    struct Page {
        CString caption;
        const DialogTemplate* dialog;
    };
    // Told when the user picks a tab; it shows that page (showTab) or keeps the current one.
    using TabChosen = std::function<void(int index)>;

    // Null without a QApplication.
    static PropertySheetWidget* create(HWND parent, const CString& caption, const std::vector<Page>& pages,
                                       TabChosen tabChosen);

    // Puts a page's window into its tab's container.
    void placePage(int index, HWND page);
    // Shows the tab without telling TabChosen.
    void showTab(int index);
    void enableApply(bool enable);

private:
    PropertySheetWidget(QWidget* parent, TabChosen tabChosen);
    // The next (1) or the previous (-1) page, round the end.
    void turnPage(int step);
    void orderTabStops();

    QTabWidget* tabs_ = nullptr;
    std::vector<QWidget*> containers_;
    ButtonWidget* apply_ = nullptr;
    TabChosen tabChosen_;
    bool switching_ = false;
};
