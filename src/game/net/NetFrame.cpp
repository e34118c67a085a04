// Frames: a three-character tag, a five-character length field and the payload. SendPacket
// frames a text message and sends it to the peer.
#include "game/window/Ostrel.h"

#include "game/net/PelkinCalls.h"
#include "platform/Ansi.h"
#include "platform/RuntimeError.h"

namespace gamewindow {

QString Ostrel::FormatLength(const int16_t &Length)
{
    return (QStringLiteral("     ") + QString::number(Length)).right(5);
}

void Ostrel::SendPacket(const QString &Packet)
{
    // The payload length is a 16-bit count at both ends; a longer message is an overflow and
    // nothing goes out.
    const int16_t Length = platform::toInt16(static_cast<long long>(Packet.size()) - 3);
    const QString frame = Packet.left(3) + FormatLength(Length) + Packet.mid(3);
    if (!m_pelkin)
        return;
    // The frame goes out as its bytes: the same bytes as a text send, without the control's
    // 32767-character limit on texts (the largest frame is 32775 characters).
    pelkin::SendBytes(*m_pelkin, m_state.PeerClientNo, platform::toAnsi(frame));
}

} // namespace gamewindow
