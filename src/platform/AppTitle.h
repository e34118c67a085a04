#pragma once
// The application title of the form runtime: shown as the title of message boxes that have
// none of their own and inside the common error box's caption. Each deliverable has its own.
#include <QString>

namespace platform {
QString appTitle();
void setAppTitle(const QString &title);
} // namespace platform
