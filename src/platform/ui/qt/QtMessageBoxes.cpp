// SPDX-License-Identifier: MIT
#include "platform/ui/qt/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/ui/qt/Look.h"
#include "platform/ui/qt/TextCodec.h"
#include "platform/ui/qt/WindowCore.h"
#include "platform/ui/qt/WindowIcons.h"

namespace ui_detail {
namespace {

QMessageBox::Icon iconOf(UINT type) {
    switch (type & 0xF0) {
    case MB_ICONSTOP: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

class QtMessageBoxes : public MessageBoxService {
public:
    int Show(HWND hWndOwner, const CString& text, const CString& caption, UINT type) override {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return 0;
        ensureLookApplied();
        QWidget* owner = HWND__::isLive(hWndOwner) ? hWndOwner->widget() : QApplication::activeWindow();
        QMessageBox box(iconOf(type), fromMacRoman(caption.View()), fromMacRoman(text.View()),
                        (type & 0x0F) == MB_OKCANCEL ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, owner);
        if (!owner) box.setWindowIcon(defaultWindowIcon()); // else the owner's, as Qt passes it on
        return box.exec() == QMessageBox::Cancel ? IDCANCEL : IDOK;
    }
};

} // namespace

MessageBoxService& windowMessageBoxes() {
    static QtMessageBoxes boxes;
    return boxes;
}

} // namespace ui_detail
