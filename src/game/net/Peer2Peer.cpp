// The connection dialog: its controls and captions, the stored fields, Connect with its wait,
// Cancel and the store at unload.
#include "game/net/Peer2Peer.h"

#include "game/net/DialogPelkin.h"
#include "platform/MousePointer.h"
#include "platform/MsgBox.h"
#include "platform/Twips.h"
#include "platform/WindowFrame.h"
#include "support/Delay.h"
#include "support/DisabledText.h"
#include "support/IniHandler.h"
#include "support/IniKeys.h"
#include "support/NumberText.h"
#include "support/Zeptools.h"

#include <QCloseEvent>
#include <QValidator>

#include <algorithm>
#include <cmath>
#include <limits>

namespace gamenet {

namespace {

// Outer heights of the dialog (folded, unfolded) and what its caption and borders take of them.
constexpr int FoldedHeight = 2100;
constexpr int UnfoldedHeight = 3270;
constexpr int ClientWidth = 5265;
constexpr int FieldHeight = 315;
constexpr int LabelHeight = 255;

// Limits what can be typed into a box; text set by the program is taken whole, as the box's
// length limit only applies to typing.
class TypedLengthLimit : public QValidator {
public:
    TypedLengthLimit(int limit, QObject *parent) : QValidator(parent), m_limit(limit) {}
    State validate(QString &input, int &) const override
    {
        return input.size() <= m_limit ? Acceptable : Invalid;
    }

private:
    int m_limit;
};

// The number a field begins with, as the dialog reads its fields; a number beyond any finite
// value is none the dialog can use, so it reads as 0 too.
double fieldNumber(const QString &text)
{
    const double value = support::numberValue(text);
    return std::isfinite(value) ? value : 0.0;
}

// A number rounded half to even into the 16-bit range; `below` or `above` for anything beyond it.
int16_t roundedInt16(double value, int16_t below, int16_t above)
{
    return support::roundedValue<int16_t>(value).value_or(value < 0 ? below : above);
}

// A number as plain decimal text without blanks ("-5", "2000", "12.5").
QString plainNumber(double value)
{
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15).toUpper();
}

} // namespace

Peer2Peer::Peer2Peer(NetSession &net, const QString &programFolder, std::function<void()> prepareWindow, QWidget *parent)
    : QDialog(parent), m_net(net), m_programFolder(programFolder), m_prepareWindow(std::move(prepareWindow))
{
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto at = [](QWidget *w, int left, int top, int width, int height) {
        w->setGeometry(platform::twipsRect(left, top, width, height));
    };
    m_chkLogfile = new QCheckBox(this);
    at(m_chkLogfile, 185, 60, 3360, FieldHeight);
    m_cmdCancel = new QPushButton(this);
    at(m_cmdCancel, 3885, 60, 1215, 330);
    m_label1 = new QLabel(this);
    at(m_label1, 195, 465, 1620, LabelHeight);
    m_txtName = new QLineEdit(this);
    at(m_txtName, 1875, 420, 1680, FieldHeight);
    m_txtName->setValidator(new TypedLengthLimit(12, m_txtName));
    m_cmdConnect = new QPushButton(this);
    at(m_cmdConnect, 3885, 450, 1215, 330);
    m_cmdConnect->setDefault(true);
    m_label2 = new QLabel(this);
    at(m_label2, 210, 840, 1620, LabelHeight);
    m_txtIP = new QLineEdit(this);
    support::keepDisabledTextReadable(m_txtIP);
    at(m_txtIP, 1875, 795, 1680, FieldHeight);
    m_cmdFindIP = new QPushButton(this);
    at(m_cmdFindIP, 3885, 840, 1215, 330);
    m_label3 = new QLabel(this);
    at(m_label3, 210, 1245, 1620, LabelHeight);
    m_optColor[0] = new QRadioButton(this);
    at(m_optColor[0], 1875, 1245, 690, LabelHeight);
    m_optColor[1] = new QRadioButton(this);
    at(m_optColor[1], 2775, 1245, 930, LabelHeight);
    m_cmdAdvanced = new QPushButton(this);
    at(m_cmdAdvanced, 3885, 1230, 1215, 330);
    m_frame1 = new QGroupBox(this);
    at(m_frame1, 180, 1680, 4920, 990);
    m_label4 = new QLabel(m_frame1);
    at(m_label4, 135, 270, 1500, LabelHeight);
    m_txtPort = new QLineEdit(m_frame1);
    at(m_txtPort, 1680, 195, 900, FieldHeight);
    m_txtPort->setValidator(new TypedLengthLimit(12, m_txtPort));
    m_label6 = new QLabel(m_frame1);
    at(m_label6, 135, 645, 1860, LabelHeight);
    m_txtTimeout = new QLineEdit(m_frame1);
    at(m_txtTimeout, 2010, 555, 570, FieldHeight);
    m_txtTimeout->setValidator(new TypedLengthLimit(3, m_txtTimeout));
    m_cmdStandardports = new QPushButton(m_frame1);
    at(m_cmdStandardports, 2715, 360, 2010, 330);

    setTabOrder(m_chkLogfile, m_txtName);
    setTabOrder(m_txtName, m_txtIP);
    setTabOrder(m_txtIP, m_optColor[0]);
    setTabOrder(m_optColor[0], m_optColor[1]);
    setTabOrder(m_optColor[1], m_cmdConnect);
    setTabOrder(m_cmdConnect, m_cmdCancel);
    setTabOrder(m_cmdCancel, m_cmdFindIP);
    setTabOrder(m_cmdFindIP, m_cmdAdvanced);
    setTabOrder(m_cmdAdvanced, m_txtPort);
    setTabOrder(m_txtPort, m_txtTimeout);
    setTabOrder(m_txtTimeout, m_cmdStandardports);

    connect(m_optColor[0], &QRadioButton::clicked, this, [this] { optColor_Click(0); });
    connect(m_optColor[1], &QRadioButton::clicked, this, [this] { optColor_Click(1); });
    connect(m_cmdAdvanced, &QPushButton::clicked, this, [this] { cmdAdvanced_Click(); });
    connect(m_cmdStandardports, &QPushButton::clicked, this, [this] { cmdStandardports_Click(); });
    connect(m_cmdConnect, &QPushButton::clicked, this, [this] { cmdConnect_Click(); });
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(m_cmdFindIP, &QPushButton::clicked, this, [this] { cmdFindIP_Click(); });

    setHeightTwips(FoldedHeight);
    Form_Load();
}

void Peer2Peer::setHeightTwips(int twips)
{
    m_heightTwips = twips;
    // Folded, the advanced part is hidden, not just left below the window's edge: how much of
    // the inside an outer height leaves depends on the frame the window manager draws.
    m_frame1->setVisible(twips != FoldedHeight);
    // The heights are outer heights, title bar and frame included; the width is the inside's.
    setFixedSize(platform::twipsToPixels(ClientWidth), height());
    platform::setOuterHeight(this, platform::twipsToPixels(twips));
}

void Peer2Peer::setAdvancedCaption(bool folded)
{
    const bool english = m_net.english();
    if (folded)
        m_cmdAdvanced->setText(english ? QStringLiteral("Advanced >>") : QStringLiteral("Erweitert >>"));
    else
        m_cmdAdvanced->setText(english ? QStringLiteral("<< Back") : QStringLiteral("<< Normal"));
}

void Peer2Peer::Form_Load()
{
    LinkState &s = m_net.link();
    s.ResultNotified = 0;

    const bool e = m_net.english();
    auto tr = [e](const char *english, const char *german) {
        return e ? QString::fromUtf8(english) : QString::fromUtf8(german);
    };
    setWindowTitle(tr("TCP/IP - Connection", "TCP/IP - Verbindung aufbauen"));
    m_chkLogfile->setText(tr("Save Dialouge in QorLOG.TXT:", "Dialoge in QorLOG.TXT festhalten:"));
    m_label1->setText(tr("Your own name:", "Dein eigener Name:"));
    m_label2->setText(tr("Opponent-IP:", "Gegner-IP:"));
    m_label3->setText(tr("Your Chip-color:", "Deine Chip-Farbe:"));
    m_frame1->setTitle(tr("Standard-Portadresses", "Standard-Portadressen"));
    m_label4->setText(tr("Portadress:", "Portadresse:"));
    m_label6->setText(tr("Timeout/seconds:", "Timeout/Sekunden:"));
    m_cmdCancel->setText(tr("Cancel", "Abbrechen"));
    m_cmdConnect->setText(tr("&Connect", "&Verbinden"));
    m_cmdFindIP->setText(tr("&Own IP", "&Eigene IP"));
    m_cmdStandardports->setText(tr("Set standardvalues", "Standardwerte einsetzen"));
    m_optColor[0]->setText(tr("Red", "Rot"));
    m_optColor[1]->setText(tr("Yellow", "Gelb"));
    setHeightTwips(FoldedHeight);
    setAdvancedCaption(true);

    s.CancelConnect = false;
    s.NetworkGame = false;

    setHeightTwips(FoldedHeight);
    zeptools::CenterForm(this);

    using IniHandler::ReadIni;
    m_chkLogfile->setChecked(ReadIni(IniKeys::Settings, IniKeys::LogFile) != QLatin1String("NO"));
    if (ReadIni(IniKeys::Settings, IniKeys::P2PColor) == QLatin1String("YELLOW"))
        m_optColor[1]->setChecked(true);
    else
        m_optColor[0]->setChecked(true);
    m_txtTimeout->setText(plainNumber(fieldNumber(ReadIni(IniKeys::Settings, IniKeys::P2PTimeout))));
    m_txtName->setText(ReadIni(IniKeys::Settings, IniKeys::PlayerName));
    m_txtIP->setText(ReadIni(IniKeys::Settings, IniKeys::LastIP));
    m_txtPort->setText(plainNumber(fieldNumber(ReadIni(IniKeys::Settings, IniKeys::PortRed))));

    if (fieldNumber(m_txtPort->text()) == 0)
        m_txtPort->setText(QStringLiteral("1001"));
    if (fieldNumber(m_txtTimeout->text()) == 0)
        m_txtTimeout->setText(QStringLiteral("180"));

    m_txtIP->setEnabled(!m_optColor[0]->isChecked());
}

void Peer2Peer::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        Form_Activate();
    }
}

void Peer2Peer::Form_Activate()
{
    if (m_txtIP->isEnabled()) {
        m_txtIP->selectAll();
        m_txtIP->setFocus();
    } else {
        m_optColor[0]->setFocus();
    }
}

void Peer2Peer::optColor_Click(int16_t Index)
{
    m_txtIP->setEnabled(Index == 1);
}

void Peer2Peer::cmdAdvanced_Click()
{
    if (m_heightTwips != FoldedHeight) {
        setHeightTwips(FoldedHeight);
        setAdvancedCaption(true);
    } else {
        setHeightTwips(UnfoldedHeight);
        setAdvancedCaption(false);
    }
}

void Peer2Peer::cmdStandardports_Click()
{
    m_txtPort->setText(QStringLiteral("1001"));
    m_txtTimeout->setText(QStringLiteral("180"));
}

void Peer2Peer::enableSetup(bool enabled)
{
    m_cmdConnect->setEnabled(enabled);
    m_cmdAdvanced->setEnabled(enabled);
    m_cmdFindIP->setEnabled(enabled);
    m_frame1->setEnabled(enabled);
    m_cmdStandardports->setEnabled(enabled);
}

void Peer2Peer::cmdConnect_Click()
{
    LinkState &s = m_net.link();
    HarbexHost *pelkin = m_net.Pelkin();

    s.Nick = {};
    s.GamesWon = {};
    s.Connecting = true;
    if (m_prepareWindow)
        m_prepareWindow();
    s.CancelConnect = false;
    m_net.ShowTransferBar(false, QStringLiteral("Get"));
    m_net.ShowTransferBar(false, QStringLiteral("Send"));

    enableSetup(false);

    platform::setMousePointer(platform::vbHourglass);
    s.Nick[0] = m_txtName->text();
    s.LocalIsRed = m_optColor[0]->isChecked();
    // Only blanks count as empty here; any other character makes an address to hand over.
    const QString ip = m_txtIP->text();
    const bool ipBlank = std::all_of(ip.cbegin(), ip.cend(), [](QChar c) { return c == QLatin1Char(' '); });
    if (!ipBlank && !s.LocalIsRed)
        dialogpelkin::putText(pelkin, HX_DISPID_RemoteHost, m_txtIP->text());
    dialogpelkin::putBool(pelkin, HX_DISPID_Server, s.LocalIsRed);
    // A timeout beyond the 16-bit range (the box admits "9e9") waits as long as that range allows.
    const int16_t timeout = roundedInt16(fieldNumber(m_txtTimeout->text()), std::numeric_limits<int16_t>::min(),
                                         std::numeric_limits<int16_t>::max());
    // From now on a peer is awaited, for as long as the wait's passes of a second take (each
    // may run half a second long).
    PeerAdmission &admission = m_net.admission();
    admission.awaitFor(timeout < 0 ? 0 : (qint64(timeout) + 2) * 1000);
    // A number beyond the 16-bit argument is handed over as -1, which the control rejects as an
    // invalid port and reports.
    m_refusedPort.reset();
    if (!dialogpelkin::activatePort(pelkin, roundedInt16(fieldNumber(m_txtPort->text()), -1, -1))) {
        // Nothing listens or connects (the control's box has said why), so no peer can come:
        // the attempt ends, and another port can be tried at once.
        m_refusedPort = m_txtPort->text();
        admission.stopAwaiting();
        platform::setMousePointer(platform::vbDefault);
        s.Connecting = false;
        enableSetup(true);
        return;
    }

    m_net.ui().ResetChatDisplay();

    s.ConnectTimeout = timeout;

    // The wait ends with a peer's hello: a connection that comes and goes without one leaves it
    // running, and one that said hello and left ended it all the same.
    for (int pass = 0; pass <= int(s.ConnectTimeout); ++pass) {
        support::Delay(1);
        if (s.NetworkGame || !admission.awaiting())
            break;
        if (s.CancelConnect)
            break;
    }

    platform::setMousePointer(platform::vbDefault);
    const bool answered = s.NetworkGame || admission.answered();
    // Nobody waits any more: a peer that comes late finds no link, though the control listens.
    admission.stopAwaiting();
    if (!answered && !s.CancelConnect) {
        dialogpelkin::callI2(pelkin, HX_DISPID_Disconnect, 0);
        const QString seconds = QString::number(s.ConnectTimeout);
        platform::MsgBox(m_net.english() ? QStringLiteral("Timeout! - Connection was not available for ") + seconds
                                         + QStringLiteral(" seconds!")
                                   : QStringLiteral("Timeout! - Verbindung konnte nicht während ") + seconds
                                         + QStringLiteral(" Sekunden hergestellt werden!"),
                         platform::vbOKOnly);
    }
    s.Connecting = false;
    Unload();
}

void Peer2Peer::cmdCancel_Click()
{
    LinkState &s = m_net.link();
    platform::setMousePointer(platform::vbDefault);
    s.Connecting = false;
    s.NetworkGame = false;
    // The user declines the link: no peer links after this, though the control goes on listening.
    m_net.admission().stopAwaiting();
    m_net.CloseConnection();
    if (m_cmdConnect->isEnabled())
        Unload();
    else
        s.CancelConnect = true;
}

void Peer2Peer::Form_Unload()
{
    using IniHandler::WriteIni;
    WriteIni(IniKeys::Settings, IniKeys::P2PColor,
             m_optColor[0]->isChecked() ? QStringLiteral("RED") : QStringLiteral("YELLOW"));
    // A port that could not be opened is not kept as if it had served.
    if (m_refusedPort != m_txtPort->text())
        WriteIni(IniKeys::Settings, IniKeys::PortRed, m_txtPort->text());
    WriteIni(IniKeys::Settings, IniKeys::PlayerName, m_txtName->text());
    WriteIni(IniKeys::Settings, IniKeys::LastIP, m_txtIP->text());
    WriteIni(IniKeys::Settings, IniKeys::P2PTimeout, m_txtTimeout->text());
    WriteIni(IniKeys::Settings, IniKeys::LogFile, m_chkLogfile->isChecked() ? QStringLiteral("YES") : QStringLiteral("NO"));
}

void Peer2Peer::Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    Form_Unload();
    QDialog::done(QDialog::Rejected);
}

void Peer2Peer::closeEvent(QCloseEvent *event)
{
    // Closing the window while an attempt runs cancels it; the wait then ends and unloads the
    // dialog, so the window never goes away under the running Connect.
    if (!m_unloaded && !m_cmdConnect->isEnabled()) {
        event->ignore();
        cmdCancel_Click();
        return;
    }
    event->accept();
    Unload();
}

void Peer2Peer::reject()
{
    // Escape presses Cancel.
    cmdCancel_Click();
}

} // namespace gamenet
