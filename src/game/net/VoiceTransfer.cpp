// Voice transfer in blocks: the sender announces the file with "<V>", sends one "<VD" block of
// at most 2000 bytes for every "<C>" of the receiver and ends with "<VA"; the receiver collects
// the blocks in a buffer of the announced size, writes it as invoice.wav and plays it. Two bars
// show the progress; bar 0 always carries the red player's message. Received messages beyond
// the voice budget (one a second) are answered as any other but only counted: no bar, no
// buffer, no file, no sound.
#include "game/net/NetSession.h"

#include "game/net/NetFraming.h"
#include "platform/Ansi.h"
#include "platform/MsgBox.h"

#include "platform/RuntimeError.h"
#include "platform/SoundPlayer.h"
#include "support/NumberText.h"
#include "support/Zeptools.h"

#include <QDir>
#include <QFile>
#include <QDateTime>
#include <QLocale>
#include <QScopedValueRollback>

#include <cmath>
#include <utility>

namespace gamenet {

namespace {
constexpr int32_t BlockSize = 2000;
// A wave header with no sound; such a recording is never sent.
constexpr int32_t EmptyRecording = 44;
// The progress multiplies a byte count by 100 in 32 bits: the largest transfer.
constexpr int32_t LargestTransfer = 21474836;

// An archive name is one file name in the work folder: characters that would name a folder or
// that file names cannot hold become "_".
QString safeFileName(QString name)
{
    for (QChar &c : name) {
        if (c.unicode() < 32 || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    }
    // A name beginning with a dot would hide the copy from the user's file manager.
    if (name.startsWith(QLatin1Char('.')))
        name[0] = QLatin1Char('_');
    return name;
}

} // namespace

void NetSession::SendVoiceFile()
{
    LinkState &s = m_link;
    ShowTransferBar(true, QStringLiteral("Send"));
    QString path = QDir(m_ui.WorkDir()).filePath(QStringLiteral("outvoice.wav"));
    QFile file(path);
    // A recording that is missing, unreadable or too large to send counts as empty, so the
    // record label comes back instead of staying disabled for the rest of the link.
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly) && file.size() <= LargestTransfer)
        bytes = file.readAll();
    file.close();
    s.TotalOut = int32_t(bytes.size());
    s.OutBuf = bytes;
    m_ui.RepaintRecordLabel();
    if (s.KeepVoice && !bytes.isEmpty())
        SaveVoice(path);
    if (s.TotalOut == 0) {
        s.SentOut = 0;
        ShowTransferBar(false, QStringLiteral("Send"));
        abandonRecording();
        return;
    }
    SendSB(s.TotalOut);
}

void NetSession::abandonRecording()
{
    m_ui.RestoreRecordLabel();
    m_link.RecordAborted = true;
}

void NetSession::SendSB(std::optional<int32_t> AllBytes)
{
    LinkState &s = m_link;
    if (s.TotalOut == 0 && s.SentOut == 0)
        return;
    if (m_sendBusy)
        return;
    const QScopedValueRollback busy(m_sendBusy, true);

    if (AllBytes) {
        if (*AllBytes <= EmptyRecording) {
            s.TotalOut = 0;
            s.SentOut = 0;
            ShowTransferBar(false, QStringLiteral("Send"));
            abandonRecording();
        } else {
            SendPacket(framing::packet(framing::Tag::Announce, QString::number(*AllBytes)));
        }
        return;
    }
    if (s.SentOut < s.TotalOut) {
        const int32_t n = s.SentOut + BlockSize >= s.TotalOut ? s.TotalOut - s.SentOut : BlockSize;
        // OutBuf is the file read at the start; it is never shorter than TotalOut.
        const QByteArray block = framing::frameOf(framing::Tag::Block, QByteArrayView(s.OutBuf).sliced(s.SentOut, n));
        s.SentOut += n;
        PelkinSendBytes(s.PeerClientNo, block);
        ShowSendAnim(QStringLiteral("Send"), s.SentOut);
    } else {
        SendPacket(framing::packet(framing::Tag::AllSent));
        m_ui.SetRecordLabelEnabled(true);
        s.SentOut = 0;
        s.TotalOut = 0;
        ShowTransferBar(false, QStringLiteral("Send"));
    }
}

void NetSession::GetSB(QByteArrayView gb)
{
    LinkState &s = m_link;
    if (s.TotalIn <= 0)
        return;
    // The buffer grows with the bytes that arrive, not with the size a peer announces: an
    // announcement of 21 MB followed by one block costs one block.
    if (s.ReceivedIn == 0)
        s.InBuf.clear();
    // Bytes beyond the announced size have no place in the buffer: they are dropped.
    const qsizetype room = qMax<qsizetype>(0, qsizetype(s.TotalIn) - s.ReceivedIn);
    const qsizetype take = qMin<qsizetype>(room, qMax<qsizetype>(0, gb.size() - framing::HeaderSize));
    if (take > 0) {
        if (!m_voiceMuted)
            s.InBuf.append(gb.constData() + framing::HeaderSize, take);
        s.ReceivedIn += int32_t(take);
    }
    if (!m_voiceMuted)
        ShowSendAnim(QStringLiteral("Get"), s.ReceivedIn);
}

void NetSession::ShowSendAnim(const QString &Mode, int32_t DoneBytes)
{
    const LinkState &s = m_link;
    const int index = TransferBarIndex(Mode);
    const int32_t total = Mode == QLatin1String("Get") ? s.TotalIn : s.TotalOut;
    const float percent = float(double(platform::toInt32(int64_t(DoneBytes) * 100)) / (double(total) + 0.001));
    const float width = float(m_ui.TransferBarWidth()) / 100.0f * percent;
    m_ui.SetBarWidth(int16_t(index), width);
}

void NetSession::ShowTransferBar(bool Visible, const QString &Direction)
{
    const int16_t index = TransferBarIndex(Direction);
    const float width = float(m_ui.TransferBarWidth()) / 100.0f;
    m_ui.ShowBar(index, width, Visible);
}

int16_t NetSession::TransferBarIndex(const QString &Direction) const
{
    const bool send = Direction == QLatin1String("Send");
    return m_link.LocalIsRed == send ? 0 : 1;
}

void NetSession::ReceiveVoiceAnnounce(const QString &Payload)
{
    LinkState &s = m_link;
    const double announced = std::nearbyint(support::numberValue(Payload));
    // A size of 0, no number, or more than a transfer can hold changes nothing.
    if (announced <= 0 || announced > LargestTransfer)
        return;
    // The message is kept or only counted from its announcement on: one in many blocks counts
    // once, and a muted one costs no bar, buffer, file or sound.
    const bool shown = s.TotalIn > 0 && !m_voiceMuted;
    const bool taken = m_peerVoices.take();
    if (shown && peerLineShown()) {
        AddChatLine(m_game.English ? QStringLiteral("--- Voice message incomplete, dropped! ---")
                              : QStringLiteral("--- Sprachnachricht unvollständig, verworfen! ---"));
    }
    s.TotalIn = int32_t(announced);
    s.ReceivedIn = 0;
    m_voiceMuted = !taken;
    if (taken)
        ShowTransferBar(true, QStringLiteral("Get"));
    else if (shown)
        ShowTransferBar(false, QStringLiteral("Get"));
}

void NetSession::ReceiveVoiceComplete()
{
    LinkState &s = m_link;
    // Only a transfer whose announced bytes have all arrived is written and played, once: a
    // "<VA" without one would replay the last message (and archive it again) as often as a
    // peer cares to send it. An unfinished one is dropped, as a new announcement would drop it.
    const bool complete = s.TotalIn > 0 && s.ReceivedIn >= s.TotalIn;
    if (s.TotalIn > 0 && m_voiceMuted) {
        // Counted at its announcement already, complete or not.
        s.TotalIn = 0;
        s.ReceivedIn = 0;
        s.InBuf.clear();
        return;
    }
    if (!complete) {
        if (s.TotalIn > 0) {
            s.TotalIn = 0;
            s.ReceivedIn = 0;
            s.InBuf.clear();
            ShowTransferBar(false, QStringLiteral("Get"));
            if (peerLineShown())
                AddChatLine(m_game.English ? QStringLiteral("--- Voice message incomplete, dropped! ---")
                                           : QStringLiteral("--- Sprachnachricht unvollständig, verworfen! ---"));
        }
        return;
    }
    s.TotalIn = 0;
    s.ReceivedIn = 0;
    // The buffer goes with the transfer: it holds up to the largest transfer.
    const QByteArray message = std::exchange(s.InBuf, QByteArray());
    m_ui.DoEvents();
    const QString workDir = m_ui.WorkDir();
    const QString path = QDir(workDir).filePath(QStringLiteral("invoice.wav"));
    QFile::remove(path); // a missing old message is no error
    QFile file(path);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate)
                      && file.write(message) == message.size() && file.flush();
    if (!written) {
        // A folder that cannot be written or a full disk: the message is lost, and the user is
        // told where and why rather than that a file was not found. What was written of it goes,
        // so that the repeat label does not play a torn message.
        const QString reason = file.errorString();
        file.close();
        QFile::remove(path);
        ShowTransferBar(false, QStringLiteral("Get"));
        reportVoiceFileError(path, reason);
        return;
    }
    file.close();
    if (s.KeepVoice) {
        SaveVoice(QDir(workDir).filePath(QStringLiteral("invoice.Wav")));
    }
    ShowTransferBar(false, QStringLiteral("Get"));
    m_ui.Playsound(QDir(workDir).filePath(QStringLiteral("invoice")), true);
}

void NetSession::sayHeldVoices(qint64 held)
{
    const QString name = m_link.Nick[1];
    if (m_game.English) {
        const QString count = QLocale(QLocale::English).toString(held);
        AddChatLine(QStringLiteral("--- ") + count
                    + (held == 1 ? QStringLiteral(" more voice message of ") : QStringLiteral(" more voice messages of "))
                    + name + QStringLiteral(" not played ---"));
    } else {
        const QString count = QLocale(QLocale::German).toString(held);
        AddChatLine(QStringLiteral("--- ") + count
                    + (held == 1 ? QStringLiteral(" weitere Sprachnachricht von ")
                                 : QStringLiteral(" weitere Sprachnachrichten von "))
                    + name + QStringLiteral(" nicht abgespielt ---"));
    }
}

void NetSession::reportVoiceFileError(const QString &path, const QString &reason)
{
    m_ui.MsgBox(m_game.English ? QStringLiteral("The voice message could not be written to ") + path
                                     + QStringLiteral(": ") + reason
                               : QStringLiteral("Die Sprachnachricht konnte nicht in ") + path
                                     + QStringLiteral(" geschrieben werden: ") + reason,
                platform::vbOKOnly | platform::vbExclamation);
}

void NetSession::SaveVoice(const QString &file)
{
    m_ui.DoEvents();
    const QString workDir = m_ui.WorkDir();
    const QDateTime now = m_ui.Now();
    const QString date = zeptools::ReplaceAll(QLocale::system().toString(now.date(), QLocale::ShortFormat),
                                              QStringLiteral("."), QString());
    const QString time = zeptools::ReplaceAll(now.time().toString(QStringLiteral("HH:mm:ss")),
                                              QStringLiteral(":"), QString());
    const QString stem = safeFileName(m_link.PeerNameAtConnect + QStringLiteral("_") + date + QStringLiteral("_") + time);
    // A second copy within the same second gets a counter instead of waiting for the clock.
    QString target = QDir(workDir).filePath(stem + QStringLiteral(".Wav"));
    for (int copy = 2; zeptools::FileExists(target); ++copy)
        target = QDir(workDir).filePath(stem + QStringLiteral("_") + QString::number(copy) + QStringLiteral(".Wav"));
    const QString source = platform::resolvePathNoCase(file);
    QFile original(source.isEmpty() ? file : source);
    if (!original.copy(target))
        reportVoiceFileError(target, original.errorString());
}

} // namespace gamenet
