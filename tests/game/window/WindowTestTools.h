#pragma once
// Driving modal windows in tests: the action runs on the next modal window that opens.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

// Polls for a modal window and runs the action on it once. Stops watching when it is
// destroyed, so a window that never came cannot trigger a stale action in a later case.
class ModalWatcher {
public:
    ModalWatcher() = default;
    explicit ModalWatcher(std::function<void(QWidget *)> action) { watch(std::move(action)); }
    ModalWatcher(const ModalWatcher &) = delete;
    ModalWatcher &operator=(const ModalWatcher &) = delete;

    void watch(std::function<void(QWidget *)> action)
    {
        m_timer = std::make_unique<QTimer>();
        m_timer->setInterval(10);
        QObject::connect(m_timer.get(), &QTimer::timeout, [this, action] {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal && modal->isVisible()) {
                m_timer->stop();
                action(modal);
            }
        });
        m_timer->start();
    }

private:
    std::unique_ptr<QTimer> m_timer;
};
