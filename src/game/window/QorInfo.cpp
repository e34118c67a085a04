#include "game/window/QorInfo.h"

#include "game/net/ShellVersion.h"
#include "platform/Pictures.h"
#include "platform/Twips.h"
#include "support/ClickAndBrowse.h"
#include "support/Zeptools.h"

#include <QPainter>

namespace gamewindow {

using gamenet::productName;
using gamenet::versionText;

using platform::twipsRect;
using platform::twipsToPixels;

namespace {

// &HBBGGRR colours of the design.
const QColor Red(0xFF, 0x00, 0x00);
const QColor LightCyan(0x80, 0xFF, 0xFF);

const char *const CreditsEnglish[] = {
    "Four in a row, the old game",
    "of paper, pencil and patience",
    "The Ostrel developers,",
    "in C++ with Qt for Linux",
    "Have fun!",
};
const char *const CreditsGerman[] = {
    "Vier in einer Reihe, das alte",
    "Spiel mit Papier und Bleistift",
    "Die Ostrel-Entwickler,",
    "in C++ mit Qt für Linux",
    "Viel Spaß!",
};

QString joinLines(const char *const (&lines)[5])
{
    QStringList list;
    for (const char *line : lines)
        list << QString::fromUtf8(line);
    return list.join(QStringLiteral("\r\n"));
}

void colour(QLabel *label, const QColor &c)
{
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, c);
    label->setPalette(pal);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAutoFillBackground(false);
}
} // namespace

QString QorInfo::linkAddress() { return QStringLiteral("https://ostrel.example.org/"); }

QorInfo::QorInfo(bool english, QWidget *parent, Opener open)
    : QDialog(parent), m_english(english), m_open(std::move(open)),
      m_background(assets::picture(assets::InfoBackground))
{
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(twipsToPixels(6525), twipsToPixels(4590));

    auto *picture2 = new QLabel(this);
    picture2->setGeometry(twipsRect(195, 210, 615, 615));
    picture2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto *picture1 = new QLabel(picture2);
    picture1->setPixmap(assets::picture(assets::InfoIcon));
    picture1->setScaledContents(true);
    picture1->setGeometry((picture2->width() - 32) / 2, (picture2->height() - 32) / 2, 32, 32);

    // Shadows first, so that the coloured text lies on top of them.
    QFont titleFont(QStringLiteral("Times New Roman"), 22, QFont::Bold);
    m_label1[1] = new QLabel(this);
    m_label1[1]->setGeometry(twipsRect(1380, 60, 3735, 495));
    m_label1[0] = new QLabel(this);
    m_label1[0]->setGeometry(twipsRect(1350, 0, 3735, 495));
    for (QLabel *l : m_label1) {
        l->setFont(titleFont);
        l->setAlignment(Qt::AlignCenter);
    }
    colour(m_label1[0], Red);
    colour(m_label1[1], Qt::black);

    const QRect places[5] = {twipsRect(90, 2745, 960, 855), twipsRect(1080, 2745, 3015, 1395),
                             twipsRect(3360, 600, 2895, 255), twipsRect(1080, 4140, 2340, 255),
                             twipsRect(1095, 4155, 2340, 255)};
    for (int i : {0, 1, 2, 4, 3}) {
        m_lblInfoText[i] = new ClickableLabel(this);
        m_lblInfoText[i]->setGeometry(places[i]);
        m_lblInfoText[i]->setTextFormat(Qt::PlainText);
        m_lblInfoText[i]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        QFont small = m_lblInfoText[i]->font();
        small.setPointSize(8); // the headings must fit their narrow column
        m_lblInfoText[i]->setFont(small);
        colour(m_lblInfoText[i], Red);
        connect(m_lblInfoText[i], &ClickableLabel::clicked, this, [this, i] { lblInfoText_Click(i); });
    }
    colour(m_lblInfoText[3], LightCyan);
    colour(m_lblInfoText[4], Qt::black);
    QFont linkFont = m_lblInfoText[3]->font();
    linkFont.setUnderline(true);
    m_lblInfoText[3]->setFont(linkFont);
    m_lblInfoText[4]->setFont(linkFont);
    m_lblInfoText[3]->setCursor(Qt::PointingHandCursor);
    m_lblInfoText[3]->setText(linkAddress());
    m_lblInfoText[4]->setText(linkAddress());

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setGeometry(twipsRect(5160, 3900, 1215, 375));
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QorInfo::OkButton_Click);
    Form_Load();
}

void QorInfo::Form_Load()
{
    zeptools::CenterForm(this);
    if (m_english) {
        setWindowTitle(QStringLiteral("Info 'bout \"Ostrel\""));
        m_lblInfoText[0]->setText(QStringLiteral("Idea:\r\n\r\nProgram:"));
        m_lblInfoText[1]->setText(joinLines(CreditsEnglish));
    } else {
        setWindowTitle(QStringLiteral("Info über \"Ostrel\""));
        m_lblInfoText[0]->setText(QStringLiteral("Spielidee:\r\n\r\nProgramm:"));
        m_lblInfoText[1]->setText(joinLines(CreditsGerman));
    }
    m_label1[0]->setText(productName());
    m_label1[1]->setText(productName());
    m_lblInfoText[2]->setText(versionText());
}

void QorInfo::lblInfoText_Click(int index)
{
    if (index != 3)
        return;
    if (m_open)
        m_open(m_lblInfoText[3]->text());
    else
        ClickAndBrowse::OpenDocument(m_lblInfoText[3]->text());
}

void QorInfo::OkButton_Click() { accept(); }

void QorInfo::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.drawPixmap(rect(), m_background);
    QDialog::paintEvent(event);
}

} // namespace gamewindow
