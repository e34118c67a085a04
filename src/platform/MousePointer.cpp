#include "platform/MousePointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace platform {
namespace {
int g_shape = vbDefault;
}

void setMousePointer(int shape)
{
    if (shape == g_shape)
        return;
    if (qGuiApp) {
        if (g_shape != vbDefault)
            QGuiApplication::restoreOverrideCursor();
        if (shape == vbHourglass)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        else if (shape != vbDefault)
            QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    }
    g_shape = shape;
}

int mousePointer() { return g_shape; }
} // namespace platform
