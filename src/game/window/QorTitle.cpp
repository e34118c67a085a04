#include "game/window/QorTitle.h"

#include "game/window/ChooseLanguage.h"
#include "game/net/ShellVersion.h"
#include "platform/AppTitle.h"
#include "platform/ErrorGuard.h"
#include "platform/MousePointer.h"
#include "platform/Pictures.h"
#include "platform/Twips.h"
#include "support/IniHandler.h"
#include "support/IniKeys.h"
#include "support/Zeptools.h"

#include <QDir>
#include <QPainter>
#include <QTimer>

namespace gamewindow {

using gamenet::productName;
using gamenet::versionText;

using platform::twipsRect;
using platform::twipsToPixels;

namespace {
const QColor LightYellow(0xFF, 0xFF, 0x80);
} // namespace

QorTitle::QorTitle(TitleHooks hooks, QWidget *parent) : QWidget(parent), m_hooks(std::move(hooks))
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(productName());
    setFixedSize(twipsToPixels(8130), twipsToPixels(6255));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, LightYellow);
    setPalette(pal);
    setAutoFillBackground(true);

    m_picTitle = new QLabel(this);
    m_picTitle->setGeometry(twipsRect(480, 600, 7170, 5055));
    m_picTitle->setPixmap(assets::picture(assets::TitleGerman));
    m_picTitle->setScaledContents(true);

    m_picEnglishTitle = new QLabel(this);
    m_picEnglishTitle->setGeometry(twipsRect(540, 480, 2355, 735));
    m_picEnglishTitle->setPixmap(assets::picture(assets::TitleEnglish));
    m_picEnglishTitle->setScaledContents(true);
    m_picEnglishTitle->setVisible(false);

    m_label1 = new QLabel(productName(), this);
    QFont font(QStringLiteral("Times New Roman"), 24, QFont::Bold);
    m_label1->setFont(font);
    m_label1->move(0, twipsToPixels(60));
    m_label1->adjustSize();

    m_lblVersion = new QLabel(this);
    m_lblVersion->setGeometry(twipsRect(2160, 5760, 3675, 315));
    m_lblVersion->setAlignment(Qt::AlignCenter);
}

void QorTitle::start()
{
    Form_Load();
    show();
    QTimer::singleShot(0, this, [this] { Form_Activate(); });
}

void QorTitle::Form_Load()
{
    platform::guardedSub(QStringLiteral("Form_Load"), [&](platform::Step &step) {
        step([&] {
            IniHandler::IniPath = IniHandler::settingsPathFor(m_hooks.programFolder, m_hooks.portable);
        });
        step([&] { zeptools::CenterForm(this); });
        step([&] { platform::setAppTitle(productName()); });
        step([&] { m_lblVersion->setText(versionText()); });
        step([&] {
            if (IniHandler::ReadIni(IniKeys::Settings, IniKeys::Language).isEmpty()) {
                m_languageWindowShown = true;
                ChooseLanguage dialog;
                if (m_hooks.runLanguageWindow)
                    m_hooks.runLanguageWindow(dialog);
                else
                    dialog.exec();
            }
        });
        step([&] {
            // Exact comparison: "german" in small letters gets the English wording too.
            if (IniHandler::ReadIni(IniKeys::Settings, IniKeys::Language) != QLatin1String("GERMAN"))
                m_picEnglishTitle->setVisible(true);
        });
        step([&] { zeptools::CenterForm(this); });
        step([&] { platform::setMousePointer(platform::vbHourglass); });
        step([&] {
            if (m_hooks.loadMainWindow)
                m_hooks.loadMainWindow();
        });
    });
}

void QorTitle::Form_Activate()
{
    if (m_unloaded)
        return;
    repaint();
    // The wait runs the message loop, and the title may be closed (and freed) meanwhile; the
    // hand-over to the main window must still happen, so nothing of this object is used after it.
    const std::function<void()> showMainWindow = m_hooks.showMainWindow;
    if (m_hooks.delayClock)
        support::Delay(3, *m_hooks.delayClock);
    else
        support::Delay(3);
    platform::setMousePointer(platform::vbDefault);
    if (showMainWindow)
        showMainWindow();
}

void QorTitle::Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    close();
}

void QorTitle::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    // Two light yellow frames around the artwork: a rounded one of width 3 and a thin one inside.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect art = m_picTitle->geometry();
    p.setPen(QPen(LightYellow, 3));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(art.adjusted(-8, -8, 8, 8), 10, 10);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(LightYellow, 1));
    p.drawRect(art.adjusted(-3, -3, 2, 2));
}

} // namespace gamewindow
