// STAND-INS, to be deleted when the chat, voice and dialogue-log code of the other network
// branches is merged: minimal versions of what the link and the dispatcher call. The chat lines
// are only collected; the voice and log steps do nothing.
#include "game/window/Ostrel.h"

#include "game/net/PayloadNumber.h"
#include "platform/Ansi.h"
#include "platform/RuntimeError.h"

#include <QGridLayout>
#include <QLabel>

namespace gamewindow {

void Ostrel::buildChatFrameStandIn()
{
    m_frmChat = new QGroupBox(m_surface);
    m_frmChat->setLayout(new QGridLayout);
    m_lblRecord = new QLabel(QStringLiteral("Aufnahme"), m_frmChat);
    m_lblRecord->setEnabled(false);
    static_cast<QGridLayout *>(m_frmChat->layout())->addWidget(m_lblRecord, 0, 0);
    m_frmChat->hide();
}

void Ostrel::AddChatLine(const QString &Line) { chatLinesStandIn.append(Line); }

void Ostrel::AddChatLine(const QString &Line, int16_t Side)
{
    Q_UNUSED(Side);
    chatLinesStandIn.append(Line);
}

QString Ostrel::GetNick(int16_t Player, const QString &Text)
{
    Q_UNUSED(Player);
    Q_UNUSED(Text);
    return QString();
}

void Ostrel::ShowTransferBar(bool Visible, const QString &Direction)
{
    Q_UNUSED(Visible);
    Q_UNUSED(Direction);
}

int16_t Ostrel::GetBlockLen(const QByteArray &Bytes, int Offset)
{
    const QByteArray field = Offset >= 0 && Offset + 3 <= Bytes.size() ? Bytes.mid(Offset + 3, 5) : QByteArray();
    const std::optional<int16_t> length = payloadInt16(platform::fromAnsi(field));
    if (!length)
        platform::raiseError(platform::ErrOverflow);
    return *length;
}

void Ostrel::GetSB(const QByteArray &gb) { Q_UNUSED(gb); }
void Ostrel::SendSB() {}
void Ostrel::VoiceAnnounced(const QString &Payload) { Q_UNUSED(Payload); }
void Ostrel::VoiceArrived() {}
void Ostrel::WriteLogFooter() { m_state.LogFileNo = 0; }

} // namespace gamewindow
