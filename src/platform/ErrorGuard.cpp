#include "platform/ErrorGuard.h"

#include "platform/AppTitle.h"
#include "platform/MsgBox.h"

namespace platform {

QString errorBoxTitle(ProcKind kind, const QString &procedure)
{
    return QStringLiteral("Fehler in: (") + appTitle()
        + (kind == ProcKind::Sub ? QStringLiteral(") Sub ") : QStringLiteral(") Function ")) + procedure;
}

QString errorBoxPrompt(int number, const QString &description)
{
    return QStringLiteral("Fehler-Nr: ") + QString::number(number) + QStringLiteral("\r\n")
        + QStringLiteral("Fehler     : ") + description;
}

int showErrorBox(ProcKind kind, const QString &procedure, int number, const QString &description)
{
    return MsgBox(errorBoxPrompt(number, description), vbAbortRetryIgnore | vbExclamation | vbDefaultButton3,
                  errorBoxTitle(kind, procedure));
}

} // namespace platform
