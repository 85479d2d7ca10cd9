// SPDX-License-Identifier: MIT
// The window of a dialog, a property page or a property sheet. Keys and the close box are
// turned into the commands Win32's dialog manager sends: Escape and the close box give
// IDCANCEL, Enter the default push button's command.
#pragma once

#include <QWidget>

#include "platform/ui/qt/WindowCore.h"

class DialogWidget : public QWidget, public HWND__ {
    Q_OBJECT
public:
    DialogWidget(QWidget* parent, UINT id, DWORD style, bool child);
    QWidget* widget() override { return this; }
    LRESULT classProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The command Enter gives: the focused push button's id, else the default push
    // button's when it is enabled, else IDOK when the dialog has no default button; 0 for none.
    UINT enterCommand() const;
    // The framework's answer to OnInitDialog returning TRUE: the first tab stop gets the focus.
    void focusFirstControl() { focusNextChild(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool child_;
};
