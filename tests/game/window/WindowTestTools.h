#pragma once
// Driving modal windows in tests: the action runs on the next modal window that opens.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

// Polls for a modal window and runs `action` on it once; gives up after `limitMs`.
inline void whenModal(std::function<void(QWidget *)> action, int limitMs = 5000)
{
    auto *timer = new QTimer;
    auto left = std::make_shared<int>(limitMs / 10);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, left, action] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        } else if (--*left <= 0) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}
