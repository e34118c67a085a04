#include "game/window/ChooseLanguage.h"

#include "platform/Pictures.h"
#include "platform/Twips.h"
#include "support/IniHandler.h"
#include "support/IniKeys.h"
#include "support/Zeptools.h"

#include <QKeyEvent>

namespace gamewindow {

using platform::twipsRect;
using platform::twipsToPixels;

ChooseLanguage::ChooseLanguage(QWidget *parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("       Select language                    Sprachauswahl"));
    setFixedSize(twipsToPixels(4560), twipsToPixels(2910));

    m_picFlag[1] = new ClickableLabel(this);
    m_picFlag[1]->setPixmap(assets::picture(assets::FlagEnglish));
    m_picFlag[1]->setGeometry(twipsRect(960, 660, 480, 480));
    m_picFlag[0] = new ClickableLabel(this);
    m_picFlag[0]->setPixmap(assets::picture(assets::FlagGerman));
    m_picFlag[0]->setGeometry(twipsRect(3120, 660, 480, 480));
    for (int i = 0; i < 2; ++i) {
        m_picFlag[i]->setCursor(Qt::PointingHandCursor);
        m_picFlag[i]->setScaledContents(true);
        connect(m_picFlag[i], &ClickableLabel::clicked, this, [this, i] { picFlag_Click(i); });
    }

    // English column on the left, German column on the right.
    const QRect places[4] = {twipsRect(2400, 1440, 2040, 1380), twipsRect(180, 1440, 2100, 1380),
                             twipsRect(2400, 180, 2040, 375), twipsRect(240, 180, 2040, 375)};
    for (int i = 0; i < 4; ++i) {
        m_lblHint[i] = new QLabel(this);
        m_lblHint[i]->setGeometry(places[i]);
        m_lblHint[i]->setWordWrap(true);
        m_lblHint[i]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_lblHint[i]->setTextFormat(Qt::PlainText);
        QFont small = m_lblHint[i]->font();
        small.setPointSize(8); // the hints must fit their columns
        m_lblHint[i]->setFont(small);
    }
    for (int i : {2, 3}) {
        QFont bold = m_lblHint[i]->font();
        bold.setBold(true);
        m_lblHint[i]->setFont(bold);
    }
    Form_Load();
}

void ChooseLanguage::Form_Load()
{
    zeptools::CenterForm(this);
    m_lblHint[0]->setText(QStringLiteral("Dieses Programm unterstützt zwei Sprachen. Durch Klicken auf das "
                                         "Deutschlandsymbol wählen Sie die deutsche Sprachversion."));
    m_lblHint[2]->setText(QStringLiteral("'Ostrel'"));
    m_lblHint[1]->setText(QStringLiteral("This program supports two languages. Click on the UK-flag to "
                                         "activate the english version."));
    m_lblHint[3]->setText(QStringLiteral("'Ostrel'"));
}

void ChooseLanguage::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ChooseLanguage::picFlag_Click(int index)
{
    // The write's result is parked, not used: a failed write only brings the question back next time.
    IniHandler::IniResult = IniHandler::WriteIni(IniKeys::Settings, IniKeys::Language,
                                                 index == 1 ? QStringLiteral("ENGLISH") : QStringLiteral("GERMAN"));
    accept();
}

} // namespace gamewindow
