// SPDX-License-Identifier: MIT
#include "platform/ui/qt/DialogFocus.h"

#include <QMetaObject>

#include "platform/ui/qt/WindowCore.h"

DialogFocus::DialogFocus(QWidget* dialog) : QObject(dialog), dialog_(dialog) {}

DialogFocus* DialogFocus::of(QWidget* dialog) {
    if (auto* existing = dialog->findChild<DialogFocus*>(QString(), Qt::FindDirectChildrenOnly)) return existing;
    return new DialogFocus(dialog);
}

void DialogFocus::beforeDisable(QWidget* control) {
    QWidget* dialog = control->window();
    QWidget* focused = dialog->focusWidget();
    if (!focused || focused == dialog || !(focused == control || control->isAncestorOf(focused))) return;
    DialogFocus* focus = of(dialog);
    const bool standInLeaves =
        focus->standIn_ && (focus->standIn_ == control || control->isAncestorOf(focus->standIn_));
    if (standInLeaves && focus->lost_ && focus->lost_->isEnabled() && focus->lost_->isVisible()) {
        focus->lost_->setFocus(Qt::OtherFocusReason);
        focus->lost_ = nullptr;
        focus->standIn_ = nullptr;
        return;
    }
    if (!standInLeaves) focus->lost_ = control;
    focus->standIn_ = nullptr;
    dialog->setFocus(Qt::OtherFocusReason);
    focus->placeAfterHandler();
}

// The handler that disabled the control may enable others next (Stop Lookup after the
// look-up's controls): the focus is placed once it has run.
void DialogFocus::placeAfterHandler() {
    if (placing_) return;
    placing_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            placing_ = false;
            place();
        },
        Qt::QueuedConnection);
}

void DialogFocus::place() {
    QWidget* focused = dialog_->focusWidget();
    if ((focused && focused != dialog_) || !lost_) return; // the user or the code placed it meanwhile
    if (lost_->isEnabled() && lost_->isVisible()) {
        lost_->setFocus(Qt::OtherFocusReason);
        lost_ = nullptr;
        return;
    }
    if (QWidget* next = nextTabStopAfter(lost_)) {
        standIn_ = next;
        next->setFocus(Qt::TabFocusReason);
    }
}

QWidget* DialogFocus::nextTabStopAfter(QWidget* from) {
    QWidget* parent = from->parentWidget();
    if (!parent) return nullptr;
    QList<QWidget*> controls;
    for (QObject* child : parent->children())
        if (auto* widget = qobject_cast<QWidget*>(child); widget && HWND__::fromWidget(widget)) controls.append(widget);
    const qsizetype at = controls.indexOf(from);
    for (qsizetype step = 1; step < controls.size(); ++step) {
        QWidget* candidate = controls[(at + step) % controls.size()];
        if (candidate->isEnabled() && candidate->isVisible() && (candidate->focusPolicy() & Qt::TabFocus))
            return candidate;
    }
    return nullptr;
}
