#pragma once
// The high-score list: five places with a name and the points of a series. CheckHighScore puts
// the total of an ended series into its place and opens the window so that the player can name
// the new place; opened from the menu the window only shows the list.
//
// The list stays the main window's: the window works on its two arrays through spans.
// Opened from the menu: setMousePointer(11); QorBest window(table, place); setMousePointer(0);
// window.exec(); (no name box is enabled then).
//
// Points are shown with the thousands grouping of the system's number settings
// (QLocale::system()'s group separator), at least one digit, then " Punkte" in both languages.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace gamewindow {

struct HighScoreTable {
    std::span<QString, 5> names;   // index 0 the first place; "" until named
    std::span<int32_t, 5> points;  // sorted from the highest down; 0 = empty place
};

struct HighScoreWindowPlace {
    bool english = true;
    // Screen y in pixels of the lower edge of the opened result panel (main window's top +
    // board top + panel top + full panel height); the window lies 30 pixels below it.
    // Empty: the window stays centred.
    std::optional<int> resultPanelBottom;
    QWidget *parent = nullptr;
};

// "###,###,##0" with the system's group separator.
QString formatPoints(int32_t points);
// The points label text: the formatted points, or "-" for an empty place, then " Punkte".
QString pointsCaption(int32_t points);

class QorBest : public QDialog {
    Q_OBJECT
public:
    QorBest(HighScoreTable table, HighScoreWindowPlace place);

    // Lets the player name place `index` (0..4).
    void enableNameBox(int index);

    void Form_Load();
    void Form_Activate();
    void OkButton_Click();
    void DelBestMovesButton_Click();

    QLabel *lblPlace(int i) const { return m_lblPlace.at(i); }
    QLineEdit *txtBest(int i) const { return m_txtBest.at(i); }
    QLabel *lblPoints(int i) const { return m_lblPoints.at(i); }
    QPushButton *DelBestMovesButton() const { return m_delButton; }
    QPushButton *OkButton() const { return m_okButton; }

protected:
    void showEvent(QShowEvent *event) override;
    // Escape does not close the window: it has no cancel button, only OK and the close box.
    void keyPressEvent(QKeyEvent *event) override;

private:
    HighScoreTable m_table;
    HighScoreWindowPlace m_place;
    std::array<QLabel *, 5> m_lblPlace{};
    std::array<QLineEdit *, 5> m_txtBest{};
    std::array<QLabel *, 5> m_lblPoints{};
    QPushButton *m_delButton = nullptr;
    QPushButton *m_okButton = nullptr;
};

// Puts `totalPoints` into the list when it reaches a place (a total equal to an entry goes above
// it, the fifth place drops out), then shows the window modally with the new place's name box
// open. Returns when the window is closed. A total of 0 or one below all places changes nothing.
void CheckHighScore(HighScoreTable table, int32_t totalPoints, const HighScoreWindowPlace &place);

} // namespace gamewindow
