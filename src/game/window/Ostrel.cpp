// The main window's controls, menus and the services the rules reach it through.
#include "game/window/Ostrel.h"

#include "game/window/ChatFrame.h"
#include "platform/HeldKey.h"
#include "platform/KeyCodes.h"

#include "platform/AppTitle.h"
#include "platform/Pictures.h"
#include "platform/ProgramFolder.h"
#include "platform/Twips.h"
#include "platform/WindowFrame.h"
#include "support/Delay.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace gamewindow {

namespace {
QColor fromBgr(int32_t color) { return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF); }

// The window's own surface: presses and clicks that no control takes.
class FormSurface : public QWidget {
public:
    explicit FormSurface(Ostrel *form) : QWidget(form), m_form(form) {}

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        const QPointF at = event->position();
        m_form->Form_MouseDown(event->button() == Qt::LeftButton ? 1 : event->button() == Qt::RightButton ? 2 : 4,
                               0, at.x() * platform::TwipsPerPixel,
                               at.y() * platform::TwipsPerPixel);
        m_pressed = event->button() == Qt::LeftButton;
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
        m_pressed = false;
        if (click)
            m_form->Form_Click();
    }
    // The second press of a double click is no new press and its release no new click: a
    // double click on the surface selects a column once.
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        event->accept();
        m_pressed = false;
    }

private:
    Ostrel *m_form;
    bool m_pressed = false;
};

// The result panel's two rounded frames: the outer one yellow, the inner one red and 2 wide.
class ResultPanel : public Panel {
public:
    using Panel::Panel;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), Qt::black);
        const QRectF full(0, 0, 317, 109);
        p.setPen(QPen(fromBgr(0xFFFF), 1));
        p.drawRoundedRect(full.adjusted(2.5, 2.5, -2.5, -2.5), 12, 12);
        p.setPen(QPen(fromBgr(0xFF), 2));
        p.drawRoundedRect(full.adjusted(7, 7, -7, -7), 9, 9);
    }
};

// A picture object of the window's own that shows the store picture `name`.
Picture shared(const QString &name) { return std::make_shared<const QPixmap>(assets::picture(name)); }
} // namespace

Ostrel::Ostrel(QWidget *parent)
    : QMainWindow(parent), m_rules(m_state, *this, m_random),
      m_programFolder(platform::programFolder()), m_delay([](int16_t s) { support::Delay(s); })
{
    setWindowTitle(QStringLiteral("Ostrel"));
    setFocusPolicy(Qt::StrongFocus);
    buildMenus();
    buildShellMenus();
    buildBoard();
    m_chat = new ChatFrame({*this, [this]() -> gamenet::NetSession & { return *m_net; },
                            [this](int &code, int shift) { Form_KeyDown(code, shift); },
                            [this](int code, int shift) { Form_KeyUp(code, shift); }},
                           m_surface);
    m_heldKey = new platform::HeldKey([this](int code, int) { Form_KeyUp(code, 0); }, this);
    m_net = std::make_unique<gamenet::NetSession>(*this, m_state, m_rules);
    // The inside is 6345 twips wide, room for the chat frame; 6540 twips is the outer height.
    resize(platform::twipsToPixels(6345), height());
    platform::setOuterHeight(this, platform::twipsToPixels(6540));

    m_timPlayTimer.setObjectName(QStringLiteral("timPlayTimer"));
    m_timPlayTimer.setInterval(0);
    m_timPing.setObjectName(QStringLiteral("timPing"));
    connect(&m_timPlayTimer, &QTimer::timeout, this, [this] { timPlayTimer_Timer(); });
    connect(&m_timPing, &QTimer::timeout, this, [this] { timPing_Timer(); });

    // What the load must have done before a game can start: the line lists and the panel's
    // full height. The rest of the load (settings, high scores) comes with the settings.
    m_rules.FillCalculateMatrix();
    m_resultPanelHeight = m_resultHeight;
    adjuststatuslbl();
}

Ostrel::~Ostrel() = default;

void Ostrel::buildMenus()
{
    m_menGame = menuBar()->addMenu(QStringLiteral("&Spieloptionen"));
    m_menGame->setObjectName(QStringLiteral("menGame"));
    m_menOnePlayer = m_menGame->addAction(QStringLiteral("Spieler : &Computer"));
    m_menOnePlayer->setObjectName(QStringLiteral("menOnePlayer"));
    m_menOnePlayer->setCheckable(true);
    m_menOnePlayer->setChecked(true);
    m_menTwoPlayers = m_menGame->addAction(QStringLiteral("S&pieler : Spieler"));
    m_menTwoPlayers->setObjectName(QStringLiteral("menTwoPlayers"));
    m_menTwoPlayers->setCheckable(true);
    m_menTimeLimit = m_menGame->addAction(QStringLiteral("&Zeitlimit"));
    m_menTimeLimit->setObjectName(QStringLiteral("menTimeLimit"));
    m_menTimeLimit->setCheckable(true);
    m_menSoundOn = m_menGame->addAction(QStringLiteral("&Toneffekte"));
    m_menSoundOn->setObjectName(QStringLiteral("menSoundOn"));
    m_menSoundOn->setCheckable(true);
    m_menSoundOn->setChecked(true);
    m_menGame->addSeparator()->setObjectName(QStringLiteral("menBreaklineX"));
    m_menStartgame = m_menGame->addAction(QStringLiteral("Spiel st&arten"));
    m_menStartgame->setObjectName(QStringLiteral("menStartgame"));
    m_menStartgame->setShortcut(QKeySequence(Qt::Key_F2));
    connect(m_menStartgame, &QAction::triggered, this, [this] {
        menStartgame_Click();
        m_chat->giveChatLineTheKeys();
    });
}

void Ostrel::buildBoard()
{
    m_surface = new FormSurface(this);
    m_surface->setAutoFillBackground(true);
    QPalette black = m_surface->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_surface->setPalette(black);
    setCentralWidget(m_surface);

    m_board = new Panel(m_surface);
    m_board->setObjectName(QStringLiteral("PicPlayBoard"));
    m_board->setGeometry(platform::twipsToPixels(135), platform::twipsToPixels(120), platform::twipsToPixels(6075),
                         platform::twipsToPixels(5715));

    // A member of a control array, named with its index as the procedures know it: "picChip(0)".
    auto box = [this](const char *name, int index, int left, int top, bool visible) {
        auto *b = new PictureBox(index, m_board);
        b->setObjectName(QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index));
        b->setTwipsGeometry(left, top, 480, 480);
        b->setVisible(visible);
        return b;
    };

    // Stores: chips, fall frames, thinking frames. Hidden, outside the board.
    m_chip[0] = nullptr;
    for (int i = 1; i <= 2; ++i) {
        m_chip[i] = box("picChip", i, 9000 + 480 * i, 0, false);
        m_chip[i]->setPicture(shared(assets::ChipPictures[i]));
    }
    for (int k = 0; k <= 6; ++k) {
        m_moveChip[k] = box("picMoveChip", k, 9000 + 480 * k, 600, false);
        m_moveChip[k]->setPicture(shared(assets::MoveChipPictures[k]));
    }
    for (int k = 0; k <= 5; ++k) {
        m_anim[k] = box("picAnim", k, 9000 + 480 * k, 1200, false);
        m_anim[k]->setPicture(shared(assets::AnimPictures[k]));
    }

    // Cells; the spare cell has a picture object of its own with the empty look.
    m_playgrid[0] = box("picPlaygrid", 0, 8580, 1260, false);
    m_playgrid[0]->setPicture(shared(assets::MoveChipPictures[0]));
    for (int n = 1; n <= 42; ++n) {
        m_playgrid[n] = box("picPlaygrid", n, 1380 + 480 * ((n - 1) % 7), 1560 + 480 * ((n - 1) / 7), true);
        m_playgrid[n]->setPicture(store(m_moveChip[0]));
        connect(m_playgrid[n], &PictureBox::clicked, this, [this](int i) { picPlaygrid_Click(int16_t(i)); });
        connect(m_playgrid[n], &PictureBox::doubleClicked, this, [this](int i) { picPlaygrid_DblClick(int16_t(i)); });
    }

    // The frame: bottom row, left edge upwards, right edge downwards, top corners, top row.
    for (int n = 0; n <= 29; ++n) {
        int x = 0, y = 0;
        if (n <= 8) {
            x = 900 + 480 * n;
            y = 4440;
        } else if (n <= 14) {
            x = 900;
            y = 3960 - 480 * (n - 9);
        } else if (n <= 20) {
            x = 4740;
            y = 1560 + 480 * (n - 15);
        } else if (n <= 22) {
            x = n == 21 ? 900 : 4740;
            y = 1080;
        } else {
            x = 1380 + 480 * (n - 23);
            y = 1080;
        }
        m_border[n] = box("picPlayBorder", n, x, y, true);
        m_border[n]->setPicture(shared(assets::borderPictureName(n)));
        connect(m_border[n], &PictureBox::clicked, this, [this](int i) { picPlayBorder_Click(int16_t(i)); });
    }

    // The floating chip, above the frame.
    m_chip[0] = box("picChip", 0, 2820, 900, false);
    m_chip[0]->raise();
    connect(m_chip[0], &PictureBox::doubleClicked, this, [this](int i) { picChip_DblClick(int16_t(i)); });

    m_timeBarEnabled = shared(assets::TimeBarEnabled);
    m_timeBarDisabled = shared(assets::TimeBarDisabled);
    m_timeBar = new PictureBox(0, m_board);
    m_timeBar->setObjectName(QStringLiteral("TimeBar"));
    m_timeBar->setTwipsGeometry(405, 4950, 5250, 180);
    m_timeBar->setPicture(m_timeBarDisabled);

    m_lblStatus = new StatusLabel(m_board);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_lblStatus->setGeometry(0, platform::twipsToPixels(5145), platform::twipsToPixels(6075), 26);
    m_lblStatus->setAlignment(Qt::AlignCenter);
    QFont font = m_lblStatus->font();
    font.setBold(true);
    font.setPointSize(11);
    m_lblStatus->setFont(font);
    SetStatusColor(0xC0C0C0);
    connect(m_lblStatus, &StatusLabel::doubleClicked, this, [this] { lblStatus_DblClick(); });

    m_picResult = new ResultPanel(m_board);
    m_picResult->setObjectName(QStringLiteral("picResult"));
    m_picResult->setGeometry(platform::twipsToPixels(720), 0, platform::twipsToPixels(4755),
                             platform::twipsToPixels(1635));
    m_resultHeight = 1635;
    m_picResult->hide();
    m_lblResult = new QLabel(QStringLiteral("Resultate ..."), m_picResult);
    m_lblResult->setObjectName(QStringLiteral("lblResult"));
    m_lblResult->setGeometry(12, 12, 317 - 24, 109 - 24);
    m_lblResult->setAlignment(Qt::AlignCenter);
    m_lblResult->setWordWrap(true);
    QFont resultFont = m_lblResult->font();
    resultFont.setBold(true);
    resultFont.setPointSize(9);
    m_lblResult->setFont(resultFont);
    SetResultColor(0xFFFF);
    m_picResult->raise();
}

void Ostrel::setPlayTimerRunsItself(bool runs)
{
    m_playTimerRunsItself = runs;
    if (runs && m_timPlayTimer.interval() > 0)
        m_timPlayTimer.start();
    else
        m_timPlayTimer.stop();
}

void Ostrel::SetPlayTimerInterval(int Milliseconds)
{
    m_timPlayTimer.setInterval(Milliseconds);
    if (Milliseconds <= 0 || !m_playTimerRunsItself)
        m_timPlayTimer.stop();
    else
        m_timPlayTimer.start();
}

void Ostrel::SetStatusColor(int32_t Color)
{
    QPalette palette = m_lblStatus->palette();
    palette.setColor(QPalette::WindowText, fromBgr(Color));
    m_lblStatus->setPalette(palette);
}

void Ostrel::SetResultColor(int32_t Color)
{
    QPalette palette = m_lblResult->palette();
    palette.setColor(QPalette::WindowText, fromBgr(Color));
    m_lblResult->setPalette(palette);
}

void Ostrel::ShowFloatingChip(int16_t Player)
{
    m_chip[0]->setPicture(store(m_chip.at(Player == 1 ? 1 : 2)));
    m_chip[0]->repaint();
    m_chip[0]->show();
}

void Ostrel::showTimeBarLook(bool enabled) { m_timeBar->setPicture(enabled ? m_timeBarEnabled : m_timeBarDisabled); }

void Ostrel::setTimeBarWidth(float twips)
{
    m_timeBarWidth = twips;
    m_timeBar->resize(std::max(0, platform::twipsToPixels(twips)), m_timeBar->height());
}

void Ostrel::setResultHeight(int twips)
{
    m_resultHeight = twips;
    m_picResult->resize(m_picResult->width(), std::max(0, platform::twipsToPixels(twips)));
}

void Ostrel::setStatusCaption(const QString &text) { m_lblStatus->setText(text); }


void Ostrel::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    if (m_heldKey->pressIsRepeat(event))
        return; // the key is still down
    int code = platform::virtualKey(event);
    int shift = platform::shiftState(event);
    Form_KeyDown(code, shift);
}

void Ostrel::keyReleaseEvent(QKeyEvent *event)
{
    // The repeat of a held key comes as release and press pairs here; the key is still down.
    m_heldKey->released(event);
    event->accept();
}

} // namespace gamewindow
