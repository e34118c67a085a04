// Finding the own addresses: the connection dialog's button runs the route printout through a
// batch file, reads the gateway from its output and shows the own-address window.
#include "game/net/QorFindIPs.h"

#include "game/net/DialogPelkin.h"
#include "game/net/Peer2Peer.h"
#include "platform/Ansi.h"
#include "platform/MousePointer.h"
#include "platform/MsgBox.h"
#include "platform/RouteTable.h"
#include "platform/Twips.h"
#include "platform/Yield.h"
#include "support/FitText.h"
#include "support/Zeptools.h"

#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>

namespace gamenet {

namespace {
constexpr qint64 MaxRouteFileBytes = 1024 * 1024;
constexpr qint64 MaxRouteLine = 4096;
constexpr int RoutePolls = 9000;

QString trimBlanks(const QString &text)
{
    qsizetype start = 0, end = text.size();
    while (start < end && text[start] == QLatin1Char(' '))
        ++start;
    while (end > start && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(start, end - start);
}

bool isRouteLine(const QString &line)
{
    return !line.isEmpty() && line[0] >= QLatin1Char('0') && line[0] <= QLatin1Char('9')
        && zeptools::CountItems(line, QStringLiteral(".")) == 13;
}

bool nonEmptyFile(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.size() > 0;
}
} // namespace

QString gatewayInRouteFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    qint64 total = 0;
    while (!file.atEnd() && total < MaxRouteFileBytes) {
        QByteArray raw = file.readLine(MaxRouteLine + 2);
        if (raw.isEmpty())
            break;
        total += raw.size();
        if (!raw.endsWith('\n') && raw.size() > MaxRouteLine) {
            // Too long for a route line: pass over the rest of it.
            while (!file.atEnd() && total < MaxRouteFileBytes) {
                const QByteArray rest = file.readLine(MaxRouteLine + 2);
                if (rest.isEmpty())
                    break;
                total += rest.size();
                if (rest.endsWith('\n'))
                    break;
            }
            continue;
        }
        while (raw.endsWith('\n') || raw.endsWith('\r'))
            raw.chop(1);
        // A carriage return alone ends a line too.
        for (const QByteArray &piece : raw.split('\r')) {
            const QString line = trimBlanks(platform::fromAnsi(piece));
            if (isRouteLine(line))
                return zeptools::GetItem(line, QStringLiteral(" "), 3);
        }
    }
    return QString();
}

void Peer2Peer::cmdFindIP_Click()
{
    const bool english = m_net.english();
    platform::setMousePointer(platform::vbHourglass);
    // The work folder, not the program folder: an installed program's folder cannot be written.
    const QString folder = m_net.ui().WorkDir();
    const QString output = folder + QStringLiteral("/IP.TXT");
    if (zeptools::FileExists(output))
        QFile::remove(output);
    const QString batch = folder + QStringLiteral("/IP.bat");
    {
        QFile f(batch);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write((QStringLiteral("Route print > ") + output + QStringLiteral("\r\n")).toLocal8Bit());
    }
    const int task = m_startBatch ? m_startBatch(batch) : platform::startRouteBatch(batch);
    platform::doEvents();
    platform::doEvents();
    platform::doEvents();
    if (task != 0) {
        for (int poll = 0; poll < RoutePolls; ++poll)
            if (nonEmptyFile(output))
                break;
    }
    QString gateway;
    if (!zeptools::FileExists(output) || task == 0) {
        platform::MsgBox(english ? QStringLiteral("Error during ROUTE-command! - Maybe, Route isn't accessable via accesspath! - Cancel!")
                                 : QStringLiteral("Fehler beim Ausführen des ROUTE-Kommandos! - Eventuell liegt ROUTE nicht im Zugriffspfad! - Abbruch!"),
                         platform::vbOKOnly);
        platform::setMousePointer(platform::vbDefault);
        gateway = QStringLiteral("-(unbekannt)-");
    } else {
        gateway = gatewayInRouteFile(output);
    }
    platform::setMousePointer(platform::vbDefault);

    QorFindIPs window(m_net, this);
    window.setWindowTitle(gateway);
    window.exec();
    // Closing the window makes the dialog the active window again.
    Form_Activate();
}

QorFindIPs::QorFindIPs(NetSession &net, QWidget *parent) : QDialog(parent), m_net(net)
{
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(QStringLiteral("IP-Adressen"));
    setFixedSize(platform::twipsToPixels(5745), platform::twipsToPixels(2655));
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(grey);
    setAutoFillBackground(true);

    auto at = [](QWidget *w, int left, int top, int width, int height) {
        w->setGeometry(platform::twipsRect(left, top, width, height));
    };
    auto line = [this](int x1, int y, int x2) {
        auto *l = new QFrame(this);
        l->setFrameShape(QFrame::HLine);
        l->setGeometry(platform::twipsToPixels(x1), platform::twipsToPixels(y), platform::twipsToPixels(x2 - x1), 1);
    };
    m_lblAdvise[1] = new QLabel(this); // 4
    at(m_lblAdvise[1], 1830, 105, 1920, 240);
    line(180, 240, 5460);
    m_lblIP[0] = new QLabel(this);
    at(m_lblIP[0], 195, 405, 2610, 255);
    m_cmdClipboard[0] = new QPushButton(this);
    at(m_cmdClipboard[0], 2850, 360, 2625, 330);
    m_lblAdvise[0] = new QLabel(this); // 3
    at(m_lblAdvise[0], 1395, 780, 3330, 240);
    line(195, 900, 5475);
    m_lblIP[1] = new QLabel(this);
    at(m_lblIP[1], 195, 1200, 2610, 300);
    m_cmdClipboard[1] = new QPushButton(this);
    at(m_cmdClipboard[1], 2850, 1170, 2625, 330);
    m_lblAdvise[2] = new QLabel(this); // 5
    at(m_lblAdvise[2], 195, 1470, 1140, 270);
    m_lblIP[2] = new QLabel(this);
    at(m_lblIP[2], 195, 1785, 2610, 270);
    m_cmdClipboard[2] = new QPushButton(this);
    at(m_cmdClipboard[2], 2850, 1755, 2625, 330);
    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    at(m_cmdOK, 4260, 2250, 1215, 330);
    for (QLabel *l : m_lblIP)
        l->setTextFormat(Qt::PlainText);
    // The rules run behind the two headings: each heading stands on the window's grey, over its rule.
    for (QLabel *heading : {m_lblAdvise[0], m_lblAdvise[1]}) {
        heading->setAlignment(Qt::AlignCenter);
        heading->setAutoFillBackground(true);
        heading->raise();
    }

    for (int16_t i = 0; i < 3; ++i)
        connect(m_cmdClipboard[i], &QPushButton::clicked, this, [this, i] { cmdClipboard_Click(i); });
    connect(m_cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    Form_Load();
}

void QorFindIPs::Form_Load()
{
    zeptools::CenterForm(this);
}

void QorFindIPs::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Only the first activation takes the gateway from the caption; later ones keep the rows.
    if (!m_activated) {
        m_activated = true;
        Form_Activate();
    }
}

void QorFindIPs::Form_Activate()
{
    const bool e = m_net.english();
    const QString gateway = windowTitle();
    if (gateway != QLatin1String("127.0.0.1")) {
        m_lblIP[0]->setText(gateway + (e ? QStringLiteral(" (founded Gateway)") : QStringLiteral(" (gefundenes Gateway)")));
    } else {
        m_lblIP[0]->setText(e ? QStringLiteral("... (not yet connected)") : QStringLiteral("... (momentan nicht verbunden)"));
        m_cmdClipboard[0]->setEnabled(false);
    }
    setWindowTitle(e ? QStringLiteral("Your own IP-Adress") : QStringLiteral("Eigene IP-Adressen"));
    HarbexHost *pelkin = m_net.Pelkin();
    m_lblIP[1]->setText(dialogpelkin::getText(pelkin, HX_DISPID_LocalIP)
                        + (e ? QStringLiteral(" (IP-Adress)") : QStringLiteral(" (IP-Adresse)")));
    m_lblIP[2]->setText(dialogpelkin::getText(pelkin, HX_DISPID_LocalHostname) + QStringLiteral(" (Hostname)"));
    m_lblAdvise[1]->setText(e ? QStringLiteral("For games via Internet") : QStringLiteral("Für Spiele im Internet"));
    m_lblAdvise[0]->setText(e ? QStringLiteral("For games via a Local-Area-Net (LAN)")
                              : QStringLiteral("Für Spiele in einem Local-Area-Net (LAN)"));
    m_lblAdvise[2]->setText(e ? QStringLiteral("or") : QStringLiteral("oder"));
    for (QPushButton *b : m_cmdClipboard)
        b->setText(e ? QStringLiteral("Copy to Clipboard") : QStringLiteral("In Zwischenspeicher kopieren"));
    // An address with its note can be longer than its row.
    for (QLabel *l : m_lblIP)
        support::fitLabelFont(l, font().pointSizeF(), 6);
}

void QorFindIPs::cmdClipboard_Click(int16_t Index)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    if (Index == 0 || Index == 1)
        clipboard->setText(zeptools::GetItem(m_lblIP[Index]->text(), QStringLiteral(" "), 1));
    else if (Index == 2)
        clipboard->setText(dialogpelkin::getText(m_net.Pelkin(), HX_DISPID_LocalHostname));
    cmdOK_Click();
}

void QorFindIPs::cmdOK_Click()
{
    done(QDialog::Accepted);
}

} // namespace gamenet
