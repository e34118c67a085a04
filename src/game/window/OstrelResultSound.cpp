// The result panel that rolls open over the board, and the sound effects.
#include "game/window/Ostrel.h"

#include "platform/ErrorGuard.h"
#include "platform/MsgBox.h"
#include "platform/SoundPlayer.h"
#include "platform/Yield.h"
#include "support/FitText.h"

#include <QScopedValueRollback>

namespace gamewindow {

using platform::Step;

void Ostrel::ShowResultGame(const QString &Text)
{
    platform::guardedSub(QStringLiteral("ShowResultGame"), [&](Step &step) {
        step([&] {
            setResultHeight(0);
            m_picResult->show();
            m_lblResult->setText(Text);
            support::fitLabelFont(m_lblResult, 9, 7);
        });
        step([&] {
            for (int h = 1; h <= m_resultPanelHeight; h += 120) {
                setResultHeight(h);
                Playsound(QStringLiteral("RESOPEN"), false);
                m_picResult->repaint();
                platform::doEvents();
            }
        });
        step([&] {
            setResultHeight(m_resultPanelHeight);
            m_picResult->repaint();
        });
        step([&] { m_state.ResultShown = true; });
    });
}

void Ostrel::HideResult()
{
    platform::guardedSub(QStringLiteral("HideResult"), [&](Step &step) {
        step([&] {
            for (int h = m_resultPanelHeight; h >= 0; h -= 120) {
                setResultHeight(h);
                Playsound(QStringLiteral("RESCLOSE"), false);
                m_picResult->repaint();
                platform::doEvents();
            }
        });
        step([&] { m_picResult->hide(); });
        step([&] { Playsound(QStringLiteral("RESCLOSE"), true); });
    });
}

void Ostrel::Playsound(const QString &Name, bool Wait)
{
    platform::guardedSub(QStringLiteral("Playsound"), [&](Step &step) {
        rules::GameState &s = m_state;
        QString file;
        bool skip = false;
        bool voice = false;
        step([&] {
            // A name with a folder is a full path (the received voice message) and plays even
            // with the effects switched off.
            if (Name.contains(QLatin1Char('\\')) || Name.contains(QLatin1Char('/'))) {
                file = QString(Name).replace(QLatin1Char('\\'), QLatin1Char('/')) + QStringLiteral(".WAV");
                voice = true;
            } else {
                file = m_programFolder + QStringLiteral("/") + Name + QStringLiteral(".WAV");
                skip = !m_menSoundOn->isChecked();
            }
        });
        if (skip)
            return;
        QString path;
        step([&] {
            path = platform::resolvePathNoCase(file);
            if (path.isEmpty()) {
                platform::MsgBox(QStringLiteral("Datei: ") + file + QStringLiteral(" nicht gefunden!"), platform::vbOKOnly);
                path = file; // plays nothing: there is no default sound
            }
        });
        SoundOutput &out = m_soundOutput ? *m_soundOutput : m_pulse;
        if (Wait) {
            step([&] {
                // While a voice message plays the window goes on working, so a waited sound can
                // be asked for inside that playback: it waits for the message's end, since the
                // flag is cleared only when the playing call returns, after this one.
                while (s.SoundBusy && !(m_voicePlaying > 0 && !out.playing()))
                    m_delay(1);
            });
            step([&] {
                s.SoundBusy = true;
                if (voice) {
                    // A message of any length plays to its end; the window keeps answering
                    // input, clicks and the peer's frames meanwhile.
                    const QScopedValueRollback playing(m_voicePlaying, m_voicePlaying + 1);
                    // Closing the window ends it: the program would otherwise linger, unseen,
                    // until the message is over.
                    out.playWhile(path, [&] {
                        platform::doEvents();
                        if (m_unloaded)
                            out.stop();
                    });
                } else {
                    out.play(path, true);
                }
                s.SoundBusy = false;
            });
        } else {
            step([&] {
                if (!s.SoundBusy)
                    out.play(path, false);
            });
        }
    });
}

} // namespace gamewindow
