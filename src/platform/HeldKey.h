#pragma once
// Tells the repeats of a held key from real presses and releases. An X server repeats a held
// key as a release and a press with the same time stamp. Qt marks such a pair as a repeat only
// when the press has already arrived when it looks at the release, which on a busy machine it
// often has not; the release then looks real and the next press moves the chip again. So a
// release is held back here until the next event shows whether the press of its pair follows:
// a press of the same key with the same time stamp is a repeat, and both are dropped; any other
// key, a mouse press, or a short quiet time hands the release on. Events without a time stamp
// (made by a program, not by a keyboard) cannot pair and pass at once.
#include <QObject>
#include <QTimer>

#include <functional>

class QKeyEvent;

namespace platform {

class HeldKey : public QObject {
public:
    // `release` receives a real release: the key number and shift state of KeyCodes.h.
    explicit HeldKey(std::function<void(int KeyCode, int Shift)> release, QObject *parent = nullptr);

    // For every key press: true when it is the repeat of a held key and must be ignored. A
    // release that was held back is handed on first when this press is no repeat.
    bool pressIsRepeat(const QKeyEvent *event);
    // For every key release: handed on now, later, or never (the release of a repeat pair).
    void released(const QKeyEvent *event);
    // Hands on a release that is still held back.
    void flush();
    // How long a release waits for the press of its pair.
    static constexpr int PairWaitMs = 150;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void(int, int)> m_release;
    QTimer m_wait;
    bool m_pending = false;
    int m_key = 0;
    unsigned long long m_time = 0;
    int m_code = 0;
    int m_shift = 0;
};

} // namespace platform
