// Level and points of a series against the clock: every won or drawn game earns points, the
// first lost game ends the series and offers its total to the high-score list.
#include "game/rules/GameRules.h"

#include "platform/ErrorGuard.h"
#include "platform/RuntimeError.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace rules {

using platform::Step;

QString formatPoints(long long value)
{
    const QString separator = QLocale().groupSeparator();
    const QString digits = QString::number(value < 0 ? -static_cast<unsigned long long>(value)
                                                     : static_cast<unsigned long long>(value));
    QString grouped;
    grouped.reserve(digits.size() + digits.size() / 3 * separator.size() + 1);
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += separator;
        grouped += digits[i];
    }
    return value < 0 ? QStringLiteral("-") + grouped : grouped;
}

namespace {
// Int() of a double into a 32-bit integer; out of range (or not a number) is an overflow.
int32_t intToInt32(double value)
{
    const double whole = std::floor(value);
    if (!(whole >= std::numeric_limits<int32_t>::min() && whole <= std::numeric_limits<int32_t>::max()))
        platform::raiseError(platform::ErrOverflow);
    return static_cast<int32_t>(whole);
}
} // namespace

void GameRules::RaiseLevel()
{
    m_state.Level = platform::toInt16(m_state.Level + 1);
}

void GameRules::CheckWinners(int16_t Winner)
{
    platform::guardedSub(QStringLiteral("CheckWinners"), [&](Step &step) {
        bool inSeries = false;
        step([&] { inSeries = m_state.PointsMode; });
        if (!inSeries)
            return;

        // Computed in 32 bits: a 16-bit Level x 500 would overflow from level 66 on.
        int32_t points = 0;
        bool seriesOver = false;
        step([&] {
            const int32_t levelPoints = static_cast<int32_t>(m_state.Level) * 500;
            if (Winner == 0)
                points = levelPoints;
            else if (Winner != -1 && m_state.CurrentPlayer != m_state.ComputerColor)
                points = intToInt32(m_state.TimeLeft * 500 + static_cast<double>(levelPoints));
            else
                seriesOver = true;
        });

        const QString level = QString::number(m_state.Level);
        QString message;
        if (seriesOver) {
            step([&] { m_ui.SetResultColor(0xFF); });
            step([&] {
                const QString total = formatPoints(m_state.TotalPoints);
                message = m_state.English
                    ? QStringLiteral("Game over (Level ") + level + QStringLiteral(") !\r\n\r\nYou reached ") + total
                          + QStringLiteral(" points!")
                    : QStringLiteral("Spiel beendet (Spielstufe ") + level + QStringLiteral(") !\r\n\r\nSie haben ")
                          + total + QStringLiteral(" Punkte erreicht!");
            });
            step([&] { m_ui.ShowResultGame(message); });
            step([&] { m_ui.CheckHighScore(); });
            step([&] { m_state.Level = 0; });
            step([&] { m_state.TotalPoints = 0; });
        } else {
            step([&] { m_ui.SetResultColor(0xFFFF); });
            step([&] {
                m_state.TotalPoints = platform::toInt32(static_cast<long long>(m_state.TotalPoints) + points);
            });
            step([&] {
                const QString gained = formatPoints(points);
                const QString total = formatPoints(m_state.TotalPoints);
                message = m_state.English
                    ? QStringLiteral("This game results in ") + gained + QStringLiteral(" points! (Level ") + level
                          + QStringLiteral(")\r\nTotal points: ") + total + QStringLiteral(" !!!")
                    : QStringLiteral("Dieses Spiel ergab ") + gained + QStringLiteral(" Punkte! (Spielstufe ") + level
                          + QStringLiteral(")\r\nGesamtpunktzahl: ") + total + QStringLiteral(" !!!");
            });
            step([&] { m_ui.ShowResultGame(message); });
        }
    });
}

} // namespace rules
