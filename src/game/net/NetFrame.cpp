// SendPacket frames a text message and sends it to the peer; the window's own messages are made
// here.
#include "game/net/NetSession.h"

#include "game/net/NetFraming.h"
#include "game/net/PelkinCalls.h"
#include "platform/Ansi.h"
#include "platform/RuntimeError.h"

namespace gamenet {

void NetSession::SendPacket(const QString &Packet)
{
    // The payload length is a 16-bit count at both ends; a longer message is an overflow and
    // nothing goes out.
    const int16_t Length = platform::toInt16(static_cast<long long>(Packet.size()) - framing::TagSize);
    const QString frame = Packet.left(framing::TagSize) + framing::FormatLength(Length) + Packet.mid(framing::TagSize);
    if (!m_pelkin)
        return;
    // The frame goes out as its bytes: the same bytes as a text send, without the control's
    // 32767-character limit on texts (the largest frame is 32775 characters).
    pelkin::SendBytes(*m_pelkin, m_link.PeerClientNo, platform::toAnsi(frame));
}

void NetSession::PelkinSendBytes(int16_t &ClientNumber, const QByteArray &Bytes)
{
    if (!m_pelkin)
        return;
    HxVariant args[2];
    args[0].type = HX_I2 | HX_BYREF;
    args[0].u.pi2 = &ClientNumber;
    args[1].type = HX_BYTES;
    args[1].u.bytes.data = reinterpret_cast<uint8_t *>(const_cast<char *>(Bytes.constData()));
    args[1].u.bytes.len = int32_t(Bytes.size());
    HxError error{};
    if (m_pelkin->Invoke(HX_DISPID_SendBytes, HX_INVOKE_METHOD, args, 2, nullptr, &error) != HX_OK)
        throw platform::RuntimeError(error.number, QString::fromUtf8(error.description));
}

void NetSession::SendGlide(int16_t Column) { SendPacket(framing::packet(framing::Tag::Glide, QString::number(Column))); }

void NetSession::SendDrop(int16_t Column) { SendPacket(framing::packet(framing::Tag::Drop, QString::number(Column))); }

void NetSession::SendStart() { SendPacket(framing::packet(framing::Tag::Start)); }

void NetSession::SendChatLine(const QString &Text, bool NoEcho)
{
    SendChat(framing::packet(framing::Tag::Text, QStringLiteral("<") + m_link.Nick[0] + QStringLiteral("> ") + Text), NoEcho);
}

} // namespace gamenet
