// Screenshots of the shell windows, the dialogs of network play, the help viewer and the message
// boxes in both languages, as PNG files in the build's picture folder for a person to look at.
// Every text in them must have room and stand out from its ground (Legibility.h).
#include "Legibility.h"
#include "OstrelProbe.h"
#include "WindowTestTools.h"

#include "game/net/Peer2Peer.h"
#include "game/net/QorFindIPs.h"
#include "game/window/ChooseLanguage.h"
#include "game/window/Ostrel.h"
#include "game/window/QorBest.h"
#include "game/window/QorInfo.h"
#include "game/window/QorTitle.h"
#include "platform/DesignFonts.h"
#include "platform/HelpViewer.h"
#include "platform/MsgBox.h"
#include "platform/Pictures.h"
#include "support/IniHandler.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace gamewindow;

class TestShellPictures : public QObject {
    Q_OBJECT
private slots:
    // The pictures the build made in the program folder, and the fonts the program uses.
    void initTestCase()
    {
        assets::setPictureFolder(qEnvironmentVariable("OSTREL_PROGRAM_DIR") + "/pictures");
        platform::useDesignFonts();
    }
    void everyWindowCanBeRead_data();
    void everyWindowCanBeRead();

private:
    void check(QWidget &window, const QString &name);
    QStringList m_faults;
};

void TestShellPictures::check(QWidget &window, const QString &name)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    m_faults << legibility::faults(&window, name);
    window.hide();
}

void TestShellPictures::everyWindowCanBeRead_data()
{
    QTest::addColumn<bool>("english");
    QTest::newRow("english") << true;
    QTest::newRow("german") << false;
}

void TestShellPictures::everyWindowCanBeRead()
{
    QFETCH(bool, english);
    const QString language = english ? QStringLiteral("_english") : QStringLiteral("_german");
    m_faults.clear();
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
    IniHandler::IniPath = dir.filePath(QStringLiteral("Ostrel.ini"));
    IniHandler::WriteIni(QStringLiteral("SETTINGS"), QStringLiteral("Language"), english ? "ENGLISH" : "GERMAN");
    IniHandler::WriteIni(QStringLiteral("SETTINGS"), QStringLiteral("Playername"), QStringLiteral("Annabelle"));
    IniHandler::WriteIni(QStringLiteral("SETTINGS"), QStringLiteral("LastIP"), QStringLiteral("192.168.178.20"));

    TitleHooks hooks;
    hooks.programFolder = dir.path();
    QorTitle title(hooks);
    title.setAttribute(Qt::WA_DeleteOnClose, false);
    title.Form_Load();
    check(title, QStringLiteral("title") + language);
    // The yellow frame lines around the artwork show above the English wording's picture.
    if (english) {
        const QImage shot = title.grab().toImage();
        const QRect art = title.picTitle()->geometry();
        const QColor line = shot.pixelColor(title.picEnglishTitle()->geometry().center().x(), art.top() - 3);
        QVERIFY2(line.red() > 200 && line.green() > 200, qPrintable(line.name()));
    }

    if (english) {
        ChooseLanguage chooser;
        check(chooser, QStringLiteral("language"));
    }

    std::array<QString, 5> names{QStringLiteral("Annabelle"), QStringLiteral("Bob"), QString(), QStringLiteral("Zoe"), QString()};
    std::array<int32_t, 5> points{1234567, 12500, 900, 850, 0};
    QorBest best({names, points}, {english, {}, nullptr});
    best.enableNameBox(2);
    check(best, QStringLiteral("highscores") + language);

    QorInfo info(english, nullptr, [](const QString &) {});
    check(info, QStringLiteral("info") + language);

    platform::HelpViewer help;
    help.resize(560, 420);
    help.openFile(qEnvironmentVariable("OSTREL_PROGRAM_DIR") + (english ? "/Qoreng.hlp" : "/Qorger.hlp"));
    check(help, QStringLiteral("help") + language);

    // The dialogs of network play, over a loaded main window with its control.
    Ostrel main;
    main.setProgramFolder(qEnvironmentVariable("OSTREL_PROGRAM_DIR"));
    main.Load();
    QCOMPARE(main.state().English, english);
    {
        gamenet::Peer2Peer dialog(main.net(), gamewindow::OstrelProbe::programFolder(main), [] {}, &main);
        check(dialog, QStringLiteral("connection-folded") + language);
        dialog.cmdAdvanced_Click();
        check(dialog, QStringLiteral("connection-unfolded") + language);
        gamenet::QorFindIPs addresses(main.net(), &dialog);
        addresses.setWindowTitle(QStringLiteral("192.168.178.1"));
        check(addresses, QStringLiteral("own-addresses") + language);
    }

    // Message boxes: a question with three buttons and a long error text.
    int shots = 0;
    ModalWatcher watcher;
    std::function<void(QWidget *)> shoot = [&](QWidget *box) {
        m_faults << legibility::faults(box, QStringLiteral("message%1%2").arg(++shots).arg(language));
        box->close();
        if (shots == 1)
            watcher.watch(shoot);
    };
    watcher.watch(shoot);
    platform::MsgBox(english ? QStringLiteral("Delete all highscores ?") : QStringLiteral("Alle Highscores löschen ?"),
                     platform::vbYesNoCancel | platform::vbQuestion);
    platform::MsgBox(english ? QStringLiteral("Error during ROUTE-command! - Maybe, Route isn't accessable via accesspath! - Cancel!")
                             : QStringLiteral("Fehler beim Ausführen des ROUTE-Kommandos! - Eventuell liegt ROUTE nicht im Zugriffspfad! - Abbruch!"));
    QCOMPARE(shots, 2);

    QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestShellPictures)
#include "test_shell_pictures.moc"
