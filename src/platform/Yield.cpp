#include "platform/Yield.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace platform {

void doEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void waitForEvents(int maxMilliseconds)
{
    if (!QCoreApplication::instance())
        return;
    if (maxMilliseconds <= 0) {
        doEvents();
        return;
    }
    // A local loop ended by a timer: it sleeps in the event dispatcher until something happens.
    QEventLoop loop;
    QTimer wake;
    wake.setSingleShot(true);
    QObject::connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
    wake.start(maxMilliseconds);
    loop.processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
}

} // namespace platform
