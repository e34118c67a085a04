#include "platform/AppTitle.h"

namespace platform {
namespace {
QString &titleSlot()
{
    static QString title = QStringLiteral("Ostrel");
    return title;
}
} // namespace

QString appTitle() { return titleSlot(); }
void setAppTitle(const QString &title) { titleSlot() = title; }
} // namespace platform
