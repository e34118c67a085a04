// Voice messages: push-to-talk recording into outvoice.wav of the work folder, the repeat of
// the last received message and F9 for archiving. The session sends the recording and makes the
// archive copies.
#include "game/window/ChatFrame.h"

#include "game/net/NetSession.h"
#include "game/net/NetUi.h"
#include "game/window/OnlineLamp.h"

#include "platform/MousePointer.h"
#include "platform/Yield.h"
#include "support/Zeptools.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>

namespace gamewindow {

namespace {
constexpr int32_t RecordingRed = 0xFF;
constexpr int32_t ButtonText = int32_t(0x80000012);
} // namespace

void ChatFrame::OpenMCI()
{
    const QString path = QDir(m_window.ui.WorkDir()).filePath(QStringLiteral("outvoice.wav"));
    if (zeptools::FileExists(path))
        QFile::remove(path);
    platform::WaveRecorder &mci = *m_mci;
    mci.setDeviceType(QStringLiteral("WaveAudio"));
    mci.setFileName(path);
    mci.setCommand(QStringLiteral("Open"));
    mci.setCommand(QStringLiteral("Back"));
    for (int i = 0; i < 3; ++i)
        platform::doEvents();
}

void ChatFrame::lblRecord_MouseDown(int Button, int Shift, double X, double Y)
{
    Q_UNUSED(Button);
    Q_UNUSED(Shift);
    Q_UNUSED(X);
    Q_UNUSED(Y);
    gamenet::LinkState &s = m_window.session().link();
    s.RecordAborted = false;
    OpenMCI();
    if (!s.RecordAborted) {
        setRecordColor(RecordingRed);
        m_lblRecord->repaint();
        m_mci->setCommand(QStringLiteral("Record"));
    }
    s.RecordAborted = false;
}

void ChatFrame::lblRecord_MouseUp(int Button, int Shift, double X, double Y)
{
    Q_UNUSED(Button);
    Q_UNUSED(Shift);
    Q_UNUSED(X);
    Q_UNUSED(Y);
    m_lblRecord->setEnabled(false);
    m_lblRecord->repaint();
    m_window.ui.Delay(1);
    platform::setMousePointer(platform::vbHourglass);
    platform::WaveRecorder &mci = *m_mci;
    mci.setWait(true);
    mci.setCommand(QStringLiteral("Stop"));
    mci.setCommand(QStringLiteral("Prev"));
    setRecordColor(ButtonText);
    mci.setWait(true);
    mci.setCommand(QStringLiteral("Save"));
    platform::setMousePointer(platform::vbDefault);
    mci.setCommand(QStringLiteral("Close"));
    m_txtSendmessage->setFocus();
    m_window.session().SendVoiceFile();
}

void ChatFrame::lblRepeat_Click()
{
    const QString path = QDir(m_window.ui.WorkDir()).filePath(QStringLiteral("invoice.wav"));
    if (!zeptools::FileExists(path))
        return;
    m_lblRepeat->setEnabled(false);
    m_lblRepeat->repaint();
    platform::setMousePointer(platform::vbHourglass);
    m_window.ui.Playsound(QDir(m_window.ui.WorkDir()).filePath(QStringLiteral("invoice")), true);
    platform::setMousePointer(platform::vbDefault);
    m_lblRepeat->setEnabled(true);
}

void ChatFrame::txtSendmessage_KeyUp(int KeyCode, int Shift)
{
    Q_UNUSED(Shift);
    gamenet::LinkState &s = m_window.session().link();
    if (KeyCode != 120 || !s.NetworkGame)
        return;
    s.KeepVoice = !s.KeepVoice;
    m_shpOnlineLamp->setFillColor(s.KeepVoice ? 0xFFFF : 0xFF);
    m_shpOnlineLamp->repaint();
}

} // namespace gamewindow
