// The chat: Enter in the chat line sends a "<T>" frame and echoes it, "/NICK " renames its
// sender on both machines, every line of the chat display is coloured by its speaker and
// appended to the dialogue log QorLog.Txt in the work folder, one block per connection.
#include "game/net/NetSession.h"

#include "platform/Ansi.h"
#include "platform/RuntimeError.h"

#include <QDate>
#include <QDir>
#include <QLocale>
#include <QTime>

namespace gamenet {

namespace {
constexpr int32_t LightGreen = 0x00FF00;
constexpr int32_t LightRed = 0x0000FF;
constexpr int32_t LightYellow = 0x00FFFF;
const QByteArray LineEnd("\r\n");

// Blanks (only blanks) removed at both ends.
QString trimBlanks(const QString &text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == QLatin1Char(' '))
        ++start;
    while (end > start && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(start, end - start);
}

// A line as it is shown and logged: control characters (a peer's CR and LF among them) become
// blanks, so that no text can start a line of its own in the display or forge one in the log.
QString oneLine(const QString &line)
{
    QString out = line;
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == QChar::LineSeparator || u == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return out;
}

QString dateText() { return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat); }
QString timeText() { return QLocale::system().toString(QTime::currentTime(), QLocale::LongFormat); }
} // namespace

void NetSession::SendChat(const QString &Message, bool NoEcho)
{
    SendPacket(Message);
    if (!NoEcho) {
        AddChatLine(Message.mid(3), 1);
    }
}

QString NetSession::GetNick(int16_t Playernum, const QString &Message)
{
    const QString command = QStringLiteral("/NICK ");
    if (!Message.toUpper().contains(command))
        return QString();
    const qsizetype gt = Message.indexOf(QLatin1Char('>'));
    const QString rest = trimBlanks(gt < 0 ? Message : Message.mid(gt + 1));
    if (!rest.toUpper().startsWith(command))
        return QString();
    const QString newName = trimBlanks(rest.mid(command.size())).left(12);
    platform::checkSubscript(Playernum, 0, 1);
    const int index = Playernum;
    LinkState &s = m_link;
    // A peer renaming itself faster than a person types is renamed all the same, but shown,
    // captioned and sounded only within the budget of its lines.
    if (Playernum == 1 && !peerLineShown()) {
        s.Nick[index] = newName;
        m_captionStale = true;
        return newName;
    }
    const QString notice = m_game.English ? QStringLiteral("--- Player: ") + s.Nick[index] + QStringLiteral(" changed his/her name to: ")
                                     + newName + QStringLiteral(" ...")
                               : QStringLiteral("--- Spieler: ") + s.Nick[index] + QStringLiteral(" änderte seinen Namen auf: ")
                                     + newName + QStringLiteral(" ...");
    AddChatLine(notice);
    s.Nick[index] = newName;
    act_ChatCaption();
    m_ui.Playsound(QStringLiteral("nickchan"), false);
    return newName;
}

void NetSession::AddChatLine(const QString &Line, std::optional<int16_t> Side)
{
    WriteLog(showChatLine(Line, Side));
}

QString NetSession::showChatLine(const QString &Line, std::optional<int16_t> Side)
{
    const bool red = m_link.LocalIsRed;
    int32_t color = LightGreen;
    if (Side)
        color = (*Side == 1) == red ? LightRed : LightYellow;
    const QString line = oneLine(Line);
    m_ui.ShowChatLine(line, color);
    return line;
}

void NetSession::sayHeldLines(qint64 held)
{
    if (m_captionStale) {
        m_captionStale = false;
        act_ChatCaption();
    }
    const QString name = m_link.Nick[1];
    if (m_game.English) {
        const QString count = QLocale(QLocale::English).toString(held);
        AddChatLine(QStringLiteral("--- ") + count + (held == 1 ? QStringLiteral(" more line of ") : QStringLiteral(" more lines of "))
                    + name + QStringLiteral(" not shown ---"));
    } else {
        const QString count = QLocale(QLocale::German).toString(held);
        AddChatLine(QStringLiteral("--- ") + count
                    + (held == 1 ? QStringLiteral(" weitere Zeile von ") : QStringLiteral(" weitere Zeilen von ")) + name
                    + QStringLiteral(" nicht angezeigt ---"));
    }
}

void NetSession::WriteLog(const QString &Line)
{
    LinkState &s = m_link;
    if (!m_ui.LogDialogue())
        return;
    // Without a work folder (the window not loaded) there is no place for the log.
    const QString workDir = m_ui.WorkDir();
    if (workDir.isEmpty())
        return;
    const QString path = QDir(workDir).filePath(QStringLiteral("QorLog.Txt"));
    if (s.LogFileNo == 0) {
        auto file = std::make_unique<QFile>(path);
        // A log that cannot be opened is skipped; the chat goes on without it.
        if (!file->open(QIODevice::WriteOnly | QIODevice::Append)) {
            logFailed(path, file->errorString());
            return;
        }
        const QByteArray stars(60, '*');
        const QString title = (m_game.English ? QStringLiteral("--- Dialogue from: ") : QStringLiteral("--- Dialog vom: "))
                            + dateText() + QStringLiteral(" - ") + timeText() + QStringLiteral(" :");
        file->write(stars + LineEnd + platform::toAnsi(title) + LineEnd + stars + LineEnd);
        m_logFile = std::move(file);
        s.LogFileNo = 1;
    }
    const bool written = m_logFile->write(platform::toAnsi(Line) + LineEnd) >= 0 && m_logFile->flush();
    if (!written) {
        // The block is given up rather than holding its lost lines in memory; the next line
        // tries a new one.
        const QString reason = m_logFile->errorString();
        m_logFile.reset();
        s.LogFileNo = 0;
        logFailed(path, reason);
        return;
    }
    m_logErrorShown = false;
}

void NetSession::logFailed(const QString &path, const QString &reason)
{
    // Once, not for every line: the notice is a line of the display, and its own logging fails
    // silently. A line written again ends the failure.
    if (m_logErrorShown)
        return;
    m_logErrorShown = true;
    AddChatLine(m_game.English ? QStringLiteral("--- The dialogue log ") + path + QStringLiteral(" cannot be written: ")
                                     + reason + QStringLiteral(" ---")
                               : QStringLiteral("--- Das Dialogprotokoll ") + path
                                     + QStringLiteral(" kann nicht geschrieben werden: ") + reason + QStringLiteral(" ---"));
}

void NetSession::WriteLogFooter()
{
    LinkState &s = m_link;
    if (s.LogFileNo == 0)
        return;
    if (m_logFile) {
        const QString footer = m_game.English ? QStringLiteral("--- End of Connection (") + dateText() + QStringLiteral(" - ")
                                               + timeText() + QStringLiteral(") ---")
                                         : QStringLiteral("--- Ende der Verbindung (") + dateText() + QStringLiteral(" - ")
                                               + timeText() + QStringLiteral(") ---");
        m_logFile->write(platform::toAnsi(footer) + LineEnd);
        m_logFile->write(LineEnd + LineEnd + LineEnd);
        m_logFile->close();
        m_logFile.reset();
    }
    s.LogFileNo = 0;
}

} // namespace gamenet
