// SPDX-License-Identifier: MIT
#include "platform/ui/qt/ModalLoop.h"

#include <QEventLoop>

#include "platform/ui/qt/WindowCore.h"

ModalLoop::ModalLoop() : m_loop(std::make_unique<QEventLoop>()) {}

ModalLoop::~ModalLoop() = default;

void ModalLoop::run(HWND window) {
    if (m_ended || !HWND__::isLive(window)) return;
    window->widget()->setWindowModality(Qt::ApplicationModal);
    window->widget()->show();
    m_loop->exec();
}

void ModalLoop::exit(int code) {
    m_ended = true;
    m_loop->exit(code);
}
