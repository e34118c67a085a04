// Voice transfer in blocks: the sender announces the file with "<V>", sends one "<VD" block of
// at most 2000 bytes for every "<C>" of the receiver and ends with "<VA"; the receiver collects
// the blocks in a buffer of the announced size, writes it as invoice.wav and plays it. Two bars
// show the progress; bar 0 always carries the red player's message.
#include "game/window/Ostrel.h"

#include "game/net/PayloadNumber.h"
#include "platform/Ansi.h"

#include "platform/RuntimeError.h"
#include "platform/Yield.h"

#include <QDir>
#include <QFile>
#include <QLabel>

#include <cmath>

namespace gamewindow {

namespace {
constexpr int32_t BlockSize = 2000;
// A wave header with no sound; such a recording is never sent.
constexpr int32_t EmptyRecording = 44;
// The progress multiplies a byte count by 100 in 32 bits: the largest transfer.
constexpr int32_t LargestTransfer = 21474836;

// The five characters of a length field: the number right-aligned, blanks on the left.
QByteArray lengthField(int32_t length)
{
    return (QByteArray(5, ' ') + QByteArray::number(length)).right(5);
}

} // namespace

void Ostrel::PelkinSendBytes(int16_t &ClientNumber, const QByteArray &Bytes)
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

void Ostrel::SendVoiceFile()
{
    rules::GameState &s = m_state;
    ShowTransferBar(true, QStringLiteral("Send"));
    QString path = QDir(m_workDir).filePath(QStringLiteral("outvoice.wav"));
    QFile file(path);
    // A recording that is missing, unreadable or too large to send counts as empty, so the
    // record label comes back instead of staying disabled for the rest of the link.
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly) && file.size() <= LargestTransfer)
        bytes = file.readAll();
    file.close();
    s.TotalOut = int32_t(bytes.size());
    s.OutBuf = bytes;
    m_lblRecord->repaint();
    if (s.KeepVoice && !bytes.isEmpty())
        SaveVoice(path);
    if (s.TotalOut == 0) {
        s.SentOut = 0;
        ShowTransferBar(false, QStringLiteral("Send"));
        restoreRecordLabel();
        return;
    }
    SendSB(s.TotalOut);
}

void Ostrel::restoreRecordLabel()
{
    platform::WaveRecorder &mci = *m_mci;
    mci.setWait(true);
    mci.setCommand(QStringLiteral("Stop"));
    mci.setCommand(QStringLiteral("Close"));
    m_state.RecordAborted = true;
    setRecordColor(int32_t(0x80000012));
    m_lblRecord->setEnabled(true);
    m_lblRecord->repaint();
}

void Ostrel::SendSB(std::optional<int32_t> AllBytes)
{
    rules::GameState &s = m_state;
    if (s.TotalOut == 0 && s.SentOut == 0)
        return;
    if (m_sendBusy)
        return;
    m_sendBusy = true;
    struct Clear {
        bool &flag;
        ~Clear() { flag = false; }
    } clear{m_sendBusy};

    if (AllBytes) {
        if (*AllBytes <= EmptyRecording) {
            s.TotalOut = 0;
            s.SentOut = 0;
            ShowTransferBar(false, QStringLiteral("Send"));
            restoreRecordLabel();
        } else {
            SendPacket(QStringLiteral("<V>") + QString::number(*AllBytes));
        }
        return;
    }
    if (s.SentOut < s.TotalOut) {
        const int32_t n = s.SentOut + BlockSize >= s.TotalOut ? s.TotalOut - s.SentOut : BlockSize;
        // OutBuf is the file read at the start; it is never shorter than TotalOut.
        QByteArray block = QByteArrayLiteral("<VD") + lengthField(n);
        block += s.OutBuf.mid(s.SentOut, n);
        s.SentOut += n;
        PelkinSendBytes(s.PeerClientNo, block);
        ShowSendAnim(QStringLiteral("Send"), s.SentOut);
    } else {
        SendPacket(QStringLiteral("<VA"));
        m_lblRecord->setEnabled(true);
        m_lblRecord->repaint();
        s.SentOut = 0;
        s.TotalOut = 0;
        ShowTransferBar(false, QStringLiteral("Send"));
    }
}

void Ostrel::GetSB(const QByteArray &gb)
{
    rules::GameState &s = m_state;
    if (s.TotalIn <= 0)
        return;
    if (s.ReceivedIn == 0)
        s.InBuf = QByteArray(s.TotalIn, '\0');
    // Bytes beyond the announced size have no place in the buffer: they are dropped.
    const qsizetype room = qMax<qsizetype>(0, s.InBuf.size() - s.ReceivedIn);
    const qsizetype take = qMin<qsizetype>(room, qMax<qsizetype>(0, gb.size() - 8));
    if (take > 0) {
        std::copy_n(gb.constData() + 8, take, s.InBuf.data() + s.ReceivedIn);
        s.ReceivedIn += int32_t(take);
    }
    ShowSendAnim(QStringLiteral("Get"), s.ReceivedIn);
}

int16_t Ostrel::GetBlockLen(const QByteArray &Bytes, int offset)
{
    // Only the bytes that are there: a field cut short reads as far as it goes.
    const qsizetype from = qsizetype(offset) + 3;
    if (offset < 0 || from >= Bytes.size())
        return 0;
    const double value = std::nearbyint(payloadValue(platform::fromAnsi(Bytes.mid(from, 5))));
    // Five characters hold -9999 to 99999 (or an exponent); the field is a 16-bit number, so a
    // larger value overflows (error 6) and the dispatcher drops the rest of that arrival.
    if (!(value >= -32768.0 && value <= 32767.0))
        platform::raiseError(platform::ErrOverflow);
    return int16_t(value);
}

void Ostrel::ShowSendAnim(const QString &Mode, int32_t DoneBytes)
{
    const rules::GameState &s = m_state;
    const int index = TransferBarIndex(Mode);
    const int32_t total = Mode == QLatin1String("Get") ? s.TotalIn : s.TotalOut;
    const float percent = float(double(platform::toInt32(int64_t(DoneBytes) * 100)) / (double(total) + 0.001));
    const float width = float(m_transferBarWidth) / 100.0f * percent;
    m_picSendWidth[index] = width;
    PictureBox *bar = m_picSend[index];
    bar->setTwipsGeometry(bar->leftTwips(), bar->topTwips(), int(std::lround(width)), 60);
    bar->repaint();
}

void Ostrel::ShowTransferBar(bool Visible, const QString &Direction)
{
    const int index = TransferBarIndex(Direction);
    const float width = float(m_transferBarWidth) / 100.0f;
    m_picSendWidth[index] = width;
    PictureBox *bar = m_picSend[index];
    bar->setTwipsGeometry(bar->leftTwips(), bar->topTwips(), int(std::lround(width)), 60);
    QPalette pal = bar->palette();
    pal.setColor(QPalette::Window, Qt::white);
    bar->setPalette(pal);
    bar->setAutoFillBackground(true);
    bar->setVisible(Visible);
    bar->repaint();
}

int16_t Ostrel::TransferBarIndex(const QString &Direction) const
{
    const bool send = Direction == QLatin1String("Send");
    return m_state.LocalIsRed == send ? 0 : 1;
}

void Ostrel::ReceiveVoiceAnnounce(const QString &Payload)
{
    rules::GameState &s = m_state;
    const double announced = std::nearbyint(payloadValue(Payload));
    // A size of 0, no number, or more than a transfer can hold changes nothing.
    if (announced <= 0 || announced > LargestTransfer)
        return;
    if (s.TotalIn > 0) {
        AddChatLine(s.English ? QStringLiteral("--- Voice message incomplete, dropped! ---")
                              : QStringLiteral("--- Sprachnachricht unvollständig, verworfen! ---"));
    }
    s.TotalIn = int32_t(announced);
    s.ReceivedIn = 0;
    ShowTransferBar(true, QStringLiteral("Get"));
}

void Ostrel::ReceiveVoiceComplete()
{
    rules::GameState &s = m_state;
    s.TotalIn = 0;
    s.ReceivedIn = 0;
    platform::doEvents();
    const QString path = QDir(m_workDir).filePath(QStringLiteral("invoice.wav"));
    QFile::remove(path); // a missing old message is no error
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(s.InBuf);
        file.close();
    }
    if (s.KeepVoice) {
        SaveVoice(QDir(m_workDir).filePath(QStringLiteral("invoice.Wav")));
    }
    ShowTransferBar(false, QStringLiteral("Get"));
    Playsound(QDir(m_workDir).filePath(QStringLiteral("invoice")), true);
}

} // namespace gamewindow
