// SPDX-License-Identifier: MIT
// Where the keyboard focus goes when EnableWindow disables the control that has it, as a
// dialog manager places it: for a moment the dialog holds it (so Qt does not hand it to
// whichever control comes next, nor Enter to a button), then, once the handler that
// disabled it has run, the control that had it takes it back if it is enabled again, else
// the next enabled tab stop after it. When the control that took it over is disabled in
// turn (Stop Lookup at the end of a look-up), the focus returns to the one that had it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class DialogFocus : public QObject {
    Q_OBJECT
public:
    // Called before `control` is disabled.
    static void beforeDisable(QWidget* control);

private:
    explicit DialogFocus(QWidget* dialog);
    static DialogFocus* of(QWidget* dialog);
    void placeAfterHandler();
    void place();
    // The next enabled, shown tab stop among `from`'s siblings after it, round the end.
    static QWidget* nextTabStopAfter(QWidget* from);

    QWidget* dialog_;
    QPointer<QWidget> lost_; // the control that had the focus when it was disabled
    QPointer<QWidget> standIn_; // the control given the focus in its place
    bool placing_ = false;
};
