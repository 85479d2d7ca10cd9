// SPDX-License-Identifier: MIT
#include "platform/ui/qt/ModalLoop.h"

#include <QEventLoop>

#include "platform/ui/qt/WindowCore.h"

ModalLoop::ModalLoop() : loop_(std::make_unique<QEventLoop>()) {}

ModalLoop::~ModalLoop() = default;

void ModalLoop::run(HWND window) {
    if (ended_ || !HWND__::isLive(window)) return;
    window->widget()->setWindowModality(Qt::ApplicationModal);
    window->widget()->show();
    loop_->exec();
}

void ModalLoop::exit(int code) {
    ended_ = true;
    loop_->exit(code);
}
