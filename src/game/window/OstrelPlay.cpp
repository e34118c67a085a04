// The game on the main window: the chip's glide and fall, the play timer, the game start and
// the status line.
#include "game/window/Ostrel.h"

#include "game/window/ChatFrame.h"
#include "platform/ErrorGuard.h"
#include "platform/Twips.h"
#include "platform/WindowFrame.h"
#include "platform/MsgBox.h"
#include "platform/RuntimeError.h"
#include "support/NumberText.h"
#include "support/Zeptools.h"

#include <QScreen>

#include <cmath>
#include <cstdlib>

namespace gamewindow {

using platform::Step;

void Ostrel::GoToTube(int16_t Column, bool ByComputer)
{
    platform::guardedSub(QStringLiteral("GoToTube"), [&](Step &step) {
        rules::GameState &s = m_state;
        if (Column == s.SelColumn || (s.CurrentPlayer == s.ComputerColor && !ByComputer))
            return;
        step([&] {
            if (m_net->link().NetworkGame && !m_net->link().FromPeer)
                m_net->SendGlide(Column);
        });
        int16_t target = Column;
        if (Column > 7)
            target = 1;
        else if (Column < 1)
            target = 7;
        if (std::abs(target - s.SelColumn) == 6 && s.KeyHeld)
            s.SelColumn = target;
        const int dir = target - s.SelColumn < 0 ? -1 : 1;
        step([&] {
            for (int i = s.SelColumn; dir > 0 ? i <= target : i >= target; i += dir) {
                platform::checkSubscript(i, 0, 42);
                m_chip[0]->move(m_playgrid.at(i)->x(), m_chip[0]->y());
                Playsound(QStringLiteral("NEXTTUBE"), false);
                repaint();
            }
        });
        s.SelColumn = target;
    });
}

void Ostrel::ResetPlaygrid()
{
    platform::guardedSub(QStringLiteral("ResetPlaygrid"), [&](Step &step) {
        step([&] {
            for (int n = 1; n <= 42; ++n)
                m_playgrid[n]->setPicture(store(m_moveChip[0]));
        });
    });
}

void Ostrel::ChipReleased()
{
    platform::guardedSub(QStringLiteral("ChipReleased"), [&](Step &step) {
        rules::GameState &s = m_state;
        const int16_t column = s.SelColumn;
        bool full = false;
        step([&] {
            platform::checkSubscript(column, 1, 7);
            full = s.Tube.at(column) == 6;
        });
        if (full) {
            // The chip bounces on the full column; nothing else happens.
            const int drop = 5;
            step([&] {
                m_chip[0]->move(m_chip[0]->x(), m_chip[0]->y() + drop);
                repaint();
                m_chip[0]->repaint();
            });
            step([&] { Playsound(QStringLiteral("TFILLED"), true); });
            step([&] { m_chip[0]->move(m_chip[0]->x(), m_chip[0]->y() - drop); });
            return;
        }
        step([&] {
            m_chip[0]->hide();
            repaint();
        });
        // Checked access: after an ignored error for a column outside 1..7 each use raises its
        // own error instead of touching memory outside the heights.
        step([&] { s.Tube.at(column) = platform::toInt16(s.Tube.at(column) + 1); });
        int h = 0;
        step([&] { h = s.Tube.at(column); });
        const int b = s.CurrentPlayer == 1 ? 0 : 3;
        step([&] {
            const auto show = [&](int row, int picture) {
                PictureBox *cell = m_playgrid.at(7 * row + column);
                cell->setPicture(store(m_moveChip[picture]));
                cell->repaint();
            };
            int r = 0;
            for (int i = 7; i >= h; --i) {
                show(r, b + 1);
                Playsound(QStringLiteral("CHFALL"), false);
                if (r > 0)
                    show(r - 1, 0);
                show(r, b + 2);
                Playsound(QStringLiteral("CHFALL"), false);
                if (i - 1 == h) {
                    Playsound(QStringLiteral("CHFALL"), false);
                    m_rules.AdjustPlayMatrix(platform::toInt16(7 * r + column), s.CurrentPlayer);
                    break;
                }
                show(r, b + 3);
                Playsound(QStringLiteral("CHFALL"), false);
                ++r;
            }
        });
        step([&] {
            if (m_net->link().NetworkGame && !m_net->link().FromPeer)
                m_net->SendDrop(column);
        });
        step([&] {
            s.MoveCount = platform::toInt16(s.MoveCount + 1);
            s.LastColumn = column;
        });
        step([&] { m_rules.CheckForWin(s.CurrentPlayer, false); });
        step([&] {
            if (s.MoveCount >= 42 && s.WinCells.trimmed().isEmpty()) {
                s.GameRunning = false;
                Playsound(QStringLiteral("DRAWN"), false);
                setStatusCaption(QString());
                s.TimerMode = QStringLiteral("SHOWDRAWN");
                SetPlayTimerInterval(400);
                m_rules.CheckWinners(0);
            }
        });
        step([&] {
            if (s.GameRunning)
                m_rules.ChangeColor();
        });
        step([&] { CheckTimer(); });
        step([&] { adjuststatuslbl(); });
    });
}

void Ostrel::CheckTimer()
{
    rules::GameState &s = m_state;
    if (!s.GameRunning)
        return;
    if (s.CurrentPlayer != s.ComputerColor && s.TimeLimitActive) {
        s.TimerMode = QStringLiteral("TIMECONTROL");
        SetPlayTimerInterval(300);
    } else if (s.CurrentPlayer == s.ComputerColor) {
        s.TimerMode = QStringLiteral("THINKING");
        SetPlayTimerInterval(400);
        m_animFrame = 0;
        m_animStep = 1;
    } else if (s.TimerMode == QLatin1String("THINKING") || s.TimerMode == QLatin1String("TIMECONTROL")) {
        s.TimerMode.clear();
        SetPlayTimerInterval(0);
    }
}

void Ostrel::timPlayTimer_Timer()
{
    platform::guardedSub(QStringLiteral("timPlayTimer_Timer"), [&](Step &step) {
        rules::GameState &s = m_state;
        const QString mode = s.TimerMode;
        if (mode == QLatin1String("THINKING")) {
            if (!s.ComputerThinking) {
                // Chosen for a game against the computer while linked, it may play the peer's
                // colour; it moves only where the peer replays the move, as a person would.
                if (!m_net->localMoveReachesPeer())
                    return;
                step([&] { s.ComputerThinking = true; });
                step([&] { m_rules.CalculateNextMove(); });
                return;
            }
            step([&] {
                platform::checkSubscript(m_animFrame, 0, 5);
                m_chip[0]->setPicture(store(m_anim[m_animFrame]));
                m_chip[0]->repaint();
                m_animFrame = platform::toInt16(m_animFrame + m_animStep);
                if (m_animFrame == 6) {
                    m_animStep = -1;
                    m_animFrame = 4;
                } else if (m_animFrame == -1) {
                    m_animStep = 1;
                    m_animFrame = 2;
                }
            });
        } else if (mode == QLatin1String("TIMECONTROL")) {
            if (!s.GameRunning)
                return;
            step([&] { s.TimeLeft = s.TimeLeft - static_cast<double>(s.Level) / 5.0; });
            if (s.TimeLeft < 0) {
                step([&] { m_timeBar->hide(); });
                step([&] {
                    s.TimerMode.clear();
                    SetPlayTimerInterval(0);
                });
                step([&] { s.GameRunning = false; });
                step([&] { adjuststatuslbl(); });
                step([&] { Playsound(QStringLiteral("TIMEOVER"), true); });
            } else {
                step([&] { setTimeBarWidth(5250.0f / 100.0f * static_cast<float>(s.TimeLeft)); });
            }
        } else if (mode == QLatin1String("SHOWWINNER")) {
            step([&] {
                const bool empty = m_playgrid.at(0)->picture() == store(m_moveChip[0]);
                const Picture next = empty ? store(m_moveChip[s.CurrentPlayer == 1 ? 2 : 5]) : store(m_moveChip[0]);
                const QString comma = QStringLiteral(",");
                const int16_t count = zeptools::CountItems(s.WinCells, comma);
                for (int16_t i = 1; i <= count; ++i) {
                    const double item = support::numberValue(zeptools::GetItem(s.WinCells, comma, i));
                    const int cell = support::roundedValue<int32_t>(item).value_or(-1); // beyond 32 bits no cell either
                    platform::checkSubscript(cell, 0, 42);
                    m_playgrid.at(cell)->setPicture(next);
                }
            });
        } else if (mode == QLatin1String("SHOWDRAWN")) {
            step([&] {
                if (m_lblStatus->text().isEmpty()) {
                    SetStatusColor(0xFF0000);
                    setStatusCaption(s.English ? QStringLiteral("Drawn!!!") : QStringLiteral("Unentschieden!!!"));
                } else {
                    setStatusCaption(QString());
                }
            });
        }
    });
}

void Ostrel::menStartgame_Click()
{
    platform::guardedSub(QStringLiteral("menStartgame_Click"), [&](Step &step) {
        rules::GameState &s = m_state;
        if (m_net->link().NetworkGame && s.GameRunning) {
            platform::MsgBox(s.English ? QStringLiteral("Netgames can't be restarted!")
                                       : QStringLiteral("Spiele im Netz können nicht vor Beendigung neu gestartet werden!"),
                             platform::vbInformation | platform::vbOKOnly);
            return;
        }
        if (s.GameRunning) {
            const int answer = platform::MsgBox(
                s.English ? QStringLiteral("This game is still running. Do you want to start a new game?")
                          : QStringLiteral("Das Spiel ist noch nicht beendet. Möchten Sie ein neues Spiel beginnnen?"),
                platform::vbQuestion | platform::vbYesNo);
            if (answer != platform::vbYes)
                return;
            s.Level = 0;
            s.TotalPoints = 0;
        }
        step([&] {
            if (s.ResultShown) {
                HideResult();
                s.ResultShown = false;
            }
        });
        step([&] { s.WinCells.clear(); });
        step([&] { SetStatusColor(0xC0C0C0); });
        step([&] { SetPlayTimerInterval(0); });
        step([&] { s.GameRunning = true; });
        step([&] {
            setTimeBarWidth(5250);
            m_timeBar->show();
            m_timeBar->repaint();
        });
        step([&] { s.MoveCount = 0; });
        step([&] { m_chip[0]->setPicture(store(m_chip.at(1))); });
        step([&] {
            s.PlayMatrix = rules::LineTable{};
            const QString comma = QStringLiteral(",");
            for (int g = 1; g <= 4; ++g) {
                for (int n = 1; n <= 7; ++n) {
                    const int16_t count = zeptools::CountItems(s.CalcMatrix[g][n], comma);
                    if (count > 1)
                        s.PlayMatrix[g][n] = QString(count, QLatin1Char('9'));
                }
            }
        });
        step([&] { s.Tube = {}; });
        step([&] { m_rules.RaiseLevel(); });
        step([&] { ResetPlaygrid(); });
        step([&] {
            if (m_net->link().NetworkGame) {
                m_net->link().ResultNotified = 0;
                if (!m_net->link().FromPeer) {
                    m_net->SendStart();
                    s.CurrentPlayer = m_net->link().LocalIsRed ? 1 : 2;
                } else {
                    s.CurrentPlayer = m_net->link().LocalIsRed ? 2 : 1;
                }
                m_rules.ChangeColor();
            } else {
                s.CurrentPlayer = s.StartPlayer == 1 ? 1 : 2;
                const int localHeight = platform::twipsToPixels(6540);
                if (platform::outerSize(this).height() != localHeight) {
                    platform::setOuterHeight(this, localHeight);
                    m_chat->hide();
                    zeptools::CenterForm(this);
                }
            }
        });
        // Until the first glide step the chip waits where the glide begins, off the board.
        step([&] { m_chip[0]->move(m_playgrid.at(0)->x(), m_chip[0]->y()); });
        step([&] { m_rules.ChangeColor(); });
        step([&] { s.StartPlayer = s.CurrentPlayer; });
        step([&] {
            s.SelColumn = 0;
            s.ComputerColor = 0;
            GoToTube(4, false);
        });
        step([&] { s.TimeLeft = 100.0; });
        step([&] { s.ComputerColor = m_menOnePlayer->isChecked() ? 1 : 0; });
        step([&] {
            s.TimeLimitActive = m_menTimeLimit->isChecked() && m_menTimeLimit->isEnabled() && s.ComputerColor > 0;
        });
        step([&] { s.PointsMode = s.TimeLimitActive && m_menOnePlayer->isChecked(); });
        step([&] { CheckTimer(); });
        step([&] { adjuststatuslbl(); });
    });
}

void Ostrel::lblStatus_DblClick()
{
    if (!m_state.GameRunning)
        menStartgame_Click();
}

void Ostrel::adjuststatuslbl()
{
    platform::guardedSub(QStringLiteral("adjuststatuslbl"), [&](Step &step) {
        rules::GameState &s = m_state;
        const bool en = s.English;
        QString who;
        step([&] {
            if (s.ComputerColor > 0)
                who = s.CurrentPlayer == s.ComputerColor ? QStringLiteral("Computer")
                                                         : (en ? QStringLiteral("Player") : QStringLiteral("Spieler"));
            else if (s.CurrentPlayer == 1)
                who = en ? QStringLiteral("Red") : QStringLiteral("Rot");
            else
                who = en ? QStringLiteral("Yellow") : QStringLiteral("Gelb");
        });
        step([&] {
            if (!(s.TimeLeft > 0.0) && s.ComputerColor > 0) {
                setStatusCaption(en ? QStringLiteral("Time out ...") : QStringLiteral("Zeit abgelaufen ..."));
                m_lblStatus->repaint();
                m_rules.CheckWinners(-1);
            } else if (!s.WinCells.isEmpty()) {
                setStatusCaption(who + (en ? QStringLiteral(" has won!!!") : QStringLiteral(" hat gewonnen!!!")));
                m_lblStatus->repaint();
                if (m_net->link().NetworkGame)
                    NotifyResults(s.CurrentPlayer);
            } else if (!s.GameRunning) {
                setStatusCaption(en ? QStringLiteral("F2 - new game!") : QStringLiteral("F2 - für neues Spiel!"));
            } else if (!m_menOnePlayer->isChecked()) {
                setStatusCaption((en ? QStringLiteral("Player:Player (move ") : QStringLiteral("Spieler:Spieler (Zug ")) + who
                                 + QStringLiteral(")"));
            } else if (s.PointsMode) {
                setStatusCaption((en ? QStringLiteral("Level ") : QStringLiteral("Spielstufe ")) + QString::number(s.Level)
                                 + (en ? QStringLiteral(" (move ") : QStringLiteral(" (Zug ")) + who + QStringLiteral(")"));
            } else {
                setStatusCaption((en ? QStringLiteral("Pl. : Com. ") : QStringLiteral("Sp. : Com. "))
                                 + (en ? QStringLiteral(" (move ") : QStringLiteral(" (Zug ")) + who + QStringLiteral(")"));
            }
        });
        m_lblStatus->repaint();
    });
}

} // namespace gamewindow
