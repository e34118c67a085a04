// The settings file as the windows use it: first start, trimmed and cut values, keys written in
// another case than they are read, high-score points with their sign blank, failed writes.
#include "common/FileBytes.h"
#include "support/IniHandler.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace IniHandler;

class TestIniHandler : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        IniPath = m_dir.filePath(QStringLiteral("Ostrel.ini"));
        QFile::remove(IniPath);
    }

    void firstStartReadsEveryKeyAsEmpty();
    void valuesAreTrimmedAndCutTo255Characters();
    void valuesKeepTheirLetterCase();
    void keysWrittenInAnotherCaseUpdateTheEntryTheyAreReadFrom();
    void pointsKeepTheirSignBlankInTheFile();
    void unloadWritesLeaveOtherLinesAsTheyAre();
    void failedWritesReturnFalseAndChangeNothing();
    void settingsLeaveAFolderTheUserCannotWriteForTheConfigFolder();

private:
    QTemporaryDir m_dir;
};

void TestIniHandler::firstStartReadsEveryKeyAsEmpty()
{
    for (const char *key : {"Language", "TWOPlayers", "TimeLimit", "Sound", "LogFile", "P2PColor",
                            "P2PTimeout", "Playername", "LastIP", "PortRed"})
        QCOMPARE(ReadIni("SETTINGS", key), QString());
    QCOMPARE(ReadIni("HIGHSCORES", "Points1"), QString());
    QCOMPARE(IniResult, QVariant(0));
    QVERIFY(!QFile::exists(IniPath));
}

void TestIniHandler::valuesAreTrimmedAndCutTo255Characters()
{
    const QByteArray longName = QByteArray(255, 'n') + "CUT";
    writeAll(IniPath, "[SETTINGS]\r\nTimeLimit=   OFF   \r\nPlayername=" + longName + "\r\nLastIP=\r\n");
    QCOMPARE(ReadIni("SETTINGS", "TimeLimit"), QString("OFF"));
    QCOMPARE(IniResult, QVariant(3));
    QCOMPARE(ReadIni("SETTINGS", "Playername"), QString(255, QLatin1Char('n')));
    QCOMPARE(IniResult, QVariant(255));
    QCOMPARE(ReadIni("SETTINGS", "LastIP"), QString());
    QCOMPARE(ReadIni("settings", "timelimit"), QString("OFF"));

    // 300 characters: the first 255. A blank that the cut leaves at the end stays.
    const QByteArray threeHundred = QByteArray(200, 'a') + QByteArray(100, 'b');
    const QByteArray blankAtCut = QByteArray(254, 'c') + "  dd";
    writeAll(IniPath, "[SETTINGS]\r\nPlayername=" + threeHundred + "\r\nLastIP=" + blankAtCut + "\r\n");
    QCOMPARE(ReadIni("SETTINGS", "Playername"), QString::fromLatin1(threeHundred.left(255)));
    QCOMPARE(ReadIni("SETTINGS", "LastIP"), QString(254, QLatin1Char('c')) + QLatin1Char(' '));
}

void TestIniHandler::valuesKeepTheirLetterCase()
{
    // The read rules compare TWOPlayers without case and TimeLimit exactly, so the value must
    // come back as it was written.
    writeAll(IniPath, "[SETTINGS]\r\nTWOPlayers=yes\r\nTimeLimit=off\r\n");
    QCOMPARE(ReadIni("SETTINGS", "TWOPlayers"), QString("yes"));
    QCOMPARE(ReadIni("SETTINGS", "TimeLimit"), QString("off"));
}

void TestIniHandler::keysWrittenInAnotherCaseUpdateTheEntryTheyAreReadFrom()
{
    writeAll(IniPath, "[SETTINGS]\r\nlogfile=NO\r\nPlayername=Ann\r\n");
    QCOMPARE(ReadIni("SETTINGS", "LogFile"), QString("NO"));
    QVERIFY(WriteIni("SETTINGS", "PlayerName", "Bob"));
    QVERIFY(WriteIni("SETTINGS", "Logfile", "YES"));
    QCOMPARE(readAll(IniPath), QByteArray("[SETTINGS]\r\nlogfile=YES\r\nPlayername=Bob\r\n"));
    QCOMPARE(ReadIni("SETTINGS", "LogFile"), QString("YES"));
    QCOMPARE(ReadIni("SETTINGS", "Playername"), QString("Bob"));
}

void TestIniHandler::pointsKeepTheirSignBlankInTheFile()
{
    writeAll(IniPath, "[HIGHSCORES]\r\nPlayer3=Cy\r\nPoints3= 4500\r\n");
    QCOMPARE(ReadIni("HIGHSCORES", "Points3"), QString("4500"));
    QVERIFY(WriteIni("HIGHSCORES", "Points3", " 4500"));
    QCOMPARE(readAll(IniPath), QByteArray("[HIGHSCORES]\r\nPlayer3=Cy\r\nPoints3= 4500\r\n"));
}

void TestIniHandler::unloadWritesLeaveOtherLinesAsTheyAre()
{
    const QByteArray head = "; my notes\n[SETTINGS]\nLanguage=GERMAN\nExtra=keep me\n";
    writeAll(IniPath, head);
    QVERIFY(WriteIni("SETTINGS", "Sound", "OFF"));
    QVERIFY(WriteIni("SETTINGS", "TWOPlayers", "NO"));
    QVERIFY(WriteIni("SETTINGS", "Language", "ENGLISH"));
    for (int place = 1; place <= 2; ++place) {
        QVERIFY(WriteIni("HIGHSCORES", QStringLiteral("Player%1").arg(place), QString::fromUtf8("Zoë")));
        QVERIFY(WriteIni("HIGHSCORES", QStringLiteral("Points%1").arg(place), " 0"));
    }
    QCOMPARE(readAll(IniPath), QByteArray("; my notes\n[SETTINGS]\nLanguage=ENGLISH\nExtra=keep me\n"
                                          "Sound=OFF\r\nTWOPlayers=NO\r\n"
                                          "[HIGHSCORES]\r\nPlayer1=Zo\xEB\r\nPoints1= 0\r\n"
                                          "Player2=Zo\xEB\r\nPoints2= 0\r\n"));
    QCOMPARE(ReadIni("HIGHSCORES", "Player2"), QString::fromUtf8("Zoë"));
}

void TestIniHandler::failedWritesReturnFalseAndChangeNothing()
{
    IniPath = m_dir.filePath(QStringLiteral("no such folder/Ostrel.ini"));
    QVERIFY(!WriteIni("SETTINGS", "Language", "GERMAN"));
    // An empty value is no excuse to report a failed write as done.
    QVERIFY(!WriteIni("SETTINGS", "LastIP", ""));
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("no such folder"))));
    QCOMPARE(ReadIni("SETTINGS", "Language"), QString());

    IniPath = m_dir.filePath(QStringLiteral("a folder"));
    QVERIFY(QDir().mkpath(IniPath));
    QVERIFY(!WriteIni("SETTINGS", "Language", "GERMAN"));
    QCOMPARE(ReadIni("SETTINGS", "Language"), QString());
}

void TestIniHandler::settingsLeaveAFolderTheUserCannotWriteForTheConfigFolder()
{
    const QString program = m_dir.filePath(QStringLiteral("program"));
    const QString config = m_dir.filePath(QStringLiteral("config"));
    QVERIFY(QDir().mkpath(program));
    const QByteArray shipped = "[HIGHSCORES]\r\nPlayer1=Ada\r\nPoints1= 12500\r\n";
    writeAll(program + "/Ostrel.ini", shipped);
    QVERIFY(QFile::setPermissions(program + "/Ostrel.ini", QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));

    // A portable copy the user may write keeps its file beside the program.
    QFile::setPermissions(program + "/Ostrel.ini", QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(settingsPathFor(program, true), program + "/Ostrel.ini");
    QFile::setPermissions(program + "/Ostrel.ini", QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);

    // Installed (or, for an ordinary user, a read-only folder): the user's own copy of the
    // shipped file, writable, in a folder made for it.
    const QString own = config + "/Ostrel/Ostrel.ini";
    if (::geteuid() != 0) {
        QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
        QCOMPARE(settingsPathFor(program, true), own);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::remove(own);
    }
    IniPath = settingsPathFor(program, false);
    QCOMPARE(IniPath, own);
    QCOMPARE(readAll(own), shipped);
    QVERIFY(WriteIni("SETTINGS", "Language", "GERMAN"));
    // Later starts keep what the user's file holds.
    QCOMPARE(settingsPathFor(program, false), own);
    QCOMPARE(ReadIni("SETTINGS", "Language"), QStringLiteral("GERMAN"));
    QCOMPARE(ReadIni("HIGHSCORES", "Points1"), QStringLiteral("12500"));
    QCOMPARE(readAll(program + "/Ostrel.ini"), shipped);

    qputenv("XDG_CONFIG_HOME", savedConfig);
}

QTEST_GUILESS_MAIN(TestIniHandler)
#include "test_inihandler.moc"
