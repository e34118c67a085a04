// Profile files: one key read or written, names without regard to case, other bytes untouched,
// and files that are not what they should be.
#include "common/FileBytes.h"
#include "platform/Profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

// The value read with a buffer of `size` characters, as the caller sees it up to the NUL.
QString get(const QString &section, const QString &key, const QString &path, int size = 256,
            const QString &defaultValue = QString())
{
    QString buffer(size, QLatin1Char(' '));
    const int count = profileGetString(section, key, defaultValue, buffer, size, path);
    if (buffer[count] != QChar(0))
        return QStringLiteral("<no NUL after the value>");
    return buffer.left(count);
}
} // namespace

class TestProfile : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); m_path = m_dir.filePath(QStringLiteral("Ostrel.ini")); QFile::remove(m_path); }

    void readTrimsValuesAndMatchesNamesWithoutCase();
    void readCopiesAtMostBufferSizeMinusOneAndANul();
    void missingFileSectionOrKeyGiveTheDefault();
    void readAcceptsLfAndCrLfAndUsesTheFirstSection();
    void writeCreatesFileSectionAndKeyWithCrLf();
    void writeReplacesOnlyTheValueAndKeepsEveryOtherByte();
    void writeAddsAMissingKeyAfterTheSectionsLastEntry();
    void writeKeepsTheValueAsGivenButNeverAddsALine();
    void textIsWindows1252BothWays();
    void junkFilesReadAsDefaultAndKeepTheirBytesOnWrite();
    void unusableFilesFailTheWriteAndStayUntouched();
    void writeKeepsTheFilePermissions();
    void linesWithoutTheirClosingMarkStayCheapToRead();

private:
    QTemporaryDir m_dir;
    QString m_path;
};

void TestProfile::readTrimsValuesAndMatchesNamesWithoutCase()
{
    writeAll(m_path, "[Settings]\r\n  sound =  OFF \t\r\nLanguage=GERMAN\r\n");
    QCOMPARE(get("SETTINGS", "Sound", m_path), QString("OFF"));
    QCOMPARE(get("settings", "LANGUAGE", m_path), QString("GERMAN"));

    QString buffer(10, QLatin1Char('x'));
    QCOMPARE(profileGetString("SETTINGS", "sound", QString(), buffer, 10, m_path), 3);
    QCOMPARE(buffer, QString("OFF") + QChar(0) + QString("xxxxxx"));
}

void TestProfile::readCopiesAtMostBufferSizeMinusOneAndANul()
{
    const QString longValue = QString(300, QLatin1Char('a')) + QStringLiteral("END");
    writeAll(m_path, "[S]\r\nk=" + longValue.toLatin1() + "\r\n");
    QCOMPARE(get("S", "k", m_path), QString(255, QLatin1Char('a')));
    QCOMPARE(get("S", "k", m_path, 1), QString());

    // A buffer length beyond the buffer itself never writes past it.
    QString small(4, QLatin1Char(' '));
    QCOMPARE(profileGetString("S", "k", QString(), small, 256, m_path), 3);
    QCOMPARE(small, QString("aaa") + QChar(0));
    QString none;
    QCOMPARE(profileGetString("S", "k", QString(), none, 256, m_path), 0);
}

void TestProfile::missingFileSectionOrKeyGiveTheDefault()
{
    QCOMPARE(get("SETTINGS", "Language", m_path, 256, "dflt"), QString("dflt"));
    QCOMPARE(get("SETTINGS", "Language", m_path), QString());
    writeAll(m_path, "Language=before any section\r\n[OTHER]\r\nLanguage=ENGLISH\r\n[SETTINGS]\r\nSound=ON\r\n");
    QCOMPARE(get("SETTINGS", "Language", m_path), QString());
    QCOMPARE(get("MISSING", "Sound", m_path), QString());
    writeAll(m_path, "[SETTINGS]\r\nLanguage=\r\n");
    QCOMPARE(get("SETTINGS", "Language", m_path, 256, "dflt"), QString());
    QCOMPARE(get("SETTINGS", "Language", QString()), QString());
}

void TestProfile::readAcceptsLfAndCrLfAndUsesTheFirstSection()
{
    writeAll(m_path, "[A]\nx=lf\n[B]\r\ny=crlf\r\n[a]\nx=second\nz=3");
    QCOMPARE(get("A", "x", m_path), QString("lf"));
    QCOMPARE(get("B", "y", m_path), QString("crlf"));
    QCOMPARE(get("A", "z", m_path), QString());
    QCOMPARE(get("B", "x", m_path), QString());
}

void TestProfile::writeCreatesFileSectionAndKeyWithCrLf()
{
    QVERIFY(profileWriteString("SETTINGS", "Language", "GERMAN", m_path));
    QCOMPARE(readAll(m_path), QByteArray("[SETTINGS]\r\nLanguage=GERMAN\r\n"));
    QVERIFY(profileWriteString("SETTINGS", "Sound", "ON", m_path));
    QVERIFY(profileWriteString("HIGHSCORES", "Player1", "", m_path));
    QVERIFY(profileWriteString("settings", "SOUND", "OFF", m_path));
    QCOMPARE(readAll(m_path),
             QByteArray("[SETTINGS]\r\nLanguage=GERMAN\r\nSound=OFF\r\n[HIGHSCORES]\r\nPlayer1=\r\n"));
}

void TestProfile::writeReplacesOnlyTheValueAndKeepsEveryOtherByte()
{
    const QByteArray before = "; written by hand\n[SETTINGS]\n  logfile = NO  \nno equals sign here\n"
                              "\n[HIGHSCORES]\r\nPoints1= 12500\r\n";
    writeAll(m_path, before);
    QVERIFY(profileWriteString("SETTINGS", "Logfile", "YES", m_path));
    QCOMPARE(readAll(m_path), QByteArray("; written by hand\n[SETTINGS]\n  logfile =YES\nno equals sign here\n"
                                         "\n[HIGHSCORES]\r\nPoints1= 12500\r\n"));
    QCOMPARE(get("SETTINGS", "LogFile", m_path), QString("YES"));
}

void TestProfile::writeAddsAMissingKeyAfterTheSectionsLastEntry()
{
    writeAll(m_path, "[A]\r\nx=1\r\n\r\n[B]\r\ny=2");
    QVERIFY(profileWriteString("A", "z", "3", m_path));
    QVERIFY(profileWriteString("b", "w", "4", m_path));
    QVERIFY(profileWriteString("C", "v", "5", m_path));
    QCOMPARE(readAll(m_path), QByteArray("[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\nw=4\r\n[C]\r\nv=5\r\n"));

    writeAll(m_path, "[A]\r\n\r\n[B]\r\n");
    QVERIFY(profileWriteString("A", "k", "v", m_path));
    QCOMPARE(readAll(m_path), QByteArray("[A]\r\nk=v\r\n\r\n[B]\r\n"));
}

void TestProfile::writeKeepsTheValueAsGivenButNeverAddsALine()
{
    QVERIFY(profileWriteString("HIGHSCORES", "Points3", " 4500", m_path));
    QCOMPARE(readAll(m_path), QByteArray("[HIGHSCORES]\r\nPoints3= 4500\r\n"));
    QCOMPARE(get("HIGHSCORES", "Points3", m_path), QString("4500"));

    QVERIFY(profileWriteString("SETTINGS", "PlayerName", "Eve\r\n[HIGHSCORES]\nPoints1=99999", m_path));
    QVERIFY(profileWriteString("SETTINGS", "LastIP", QString("10.0.0.1") + QChar(0) + "junk", m_path));
    QCOMPARE(get("HIGHSCORES", "Points1", m_path), QString());
    QCOMPARE(get("SETTINGS", "LastIP", m_path), QString("10.0.0.1"));
    QCOMPARE(readAll(m_path).count('\n'), 5);
}

void TestProfile::textIsWindows1252BothWays()
{
    QVERIFY(profileWriteString(QString::fromUtf8("SÄTZE"), "Player1", QString::fromUtf8("Jürgen 5€ 日"), m_path));
    QCOMPARE(readAll(m_path), QByteArray("[S\xC4TZE]\r\nPlayer1=J\xFCrgen 5\x80 ?\r\n"));
    QCOMPARE(get(QString::fromUtf8("sätze"), "PLAYER1", m_path), QString::fromUtf8("Jürgen 5€ ?"));
}

void TestProfile::junkFilesReadAsDefaultAndKeepTheirBytesOnWrite()
{
    QByteArray junk(64 * 1024, '\0');
    auto *random = QRandomGenerator::global();
    for (char &c : junk)
        c = char(random->bounded(256));
    writeAll(m_path, junk);
    QCOMPARE(get("SETTINGS", "Language", m_path), QString());
    QVERIFY(profileWriteString("SETTINGS", "Language", "GERMAN", m_path));
    QVERIFY(readAll(m_path).startsWith(junk));
    QCOMPARE(get("SETTINGS", "Language", m_path), QString("GERMAN"));

    // A NUL inside a stored value ends it.
    writeAll(m_path, QByteArray("[S]\r\nk=ab\0cd\r\n", 14));
    QCOMPARE(get("S", "k", m_path), QString("ab"));

    // Far larger than any settings file: not loaded, not rewritten.
    QByteArray huge = "[SETTINGS]\r\nLanguage=GERMAN\r\n";
    huge += QByteArray(ProfileMaxBytes, 'z');
    writeAll(m_path, huge);
    QCOMPARE(get("SETTINGS", "Language", m_path), QString());
    QVERIFY(!profileWriteString("SETTINGS", "Language", "ENGLISH", m_path));
    QCOMPARE(readAll(m_path), huge);
}

void TestProfile::unusableFilesFailTheWriteAndStayUntouched()
{
    const QString folder = m_dir.filePath("folder.ini");
    QVERIFY(QDir().mkpath(folder));
    QCOMPARE(get("S", "k", folder, 256, "d"), QString("d"));
    QVERIFY(!profileWriteString("S", "k", "v", folder));
    QVERIFY(QFileInfo(folder).isDir());

    QVERIFY(!profileWriteString("S", "k", "v", m_dir.filePath("missing/Ostrel.ini")));
    QVERIFY(!QFileInfo::exists(m_dir.filePath("missing")));
    QVERIFY(!profileWriteString("S", "k", "v", QString()));

    // A pipe would block a reader for good; it counts as unreadable.
    const QString fifo = m_dir.filePath("fifo.ini");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QCOMPARE(get("S", "k", fifo), QString());
    QVERIFY(!profileWriteString("S", "k", "v", fifo));

    if (::geteuid() == 0)
        QSKIP("root may write any file");
    writeAll(m_path, "[S]\r\nk=old\r\n");
    QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner));
    QCOMPARE(get("S", "k", m_path), QString("old"));
    QVERIFY(!profileWriteString("S", "k", "new", m_path));
    QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(readAll(m_path), QByteArray("[S]\r\nk=old\r\n"));
}

void TestProfile::writeKeepsTheFilePermissions()
{
    writeAll(m_path, "[S]\r\nk=old\r\n");
    const auto permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(m_path, permissions));
    QVERIFY(profileWriteString("S", "k", "new", m_path));
    QCOMPARE(QFile::permissions(m_path) & ~(QFile::ReadUser | QFile::WriteUser), permissions);
    QCOMPARE(readAll(m_path), QByteArray("[S]\r\nk=new\r\n"));
}

void TestProfile::linesWithoutTheirClosingMarkStayCheapToRead()
{
    // Every line opens a section or lacks its "=", and the mark it lacks comes only at the very
    // end: a search that ran past its own line would go over the whole file once per line.
    QByteArray openBrackets;
    while (openBrackets.size() < ProfileMaxBytes - 64)
        openBrackets += "[\n";
    writeAll(m_path, openBrackets + "]");
    QCOMPARE(get("SETTINGS", "Language", m_path), QString());

    QByteArray noEquals = "[SETTINGS]\n";
    while (noEquals.size() < ProfileMaxBytes - 64)
        noEquals += "x\n";
    writeAll(m_path, noEquals + "=");
    QCOMPARE(get("SETTINGS", "Language", m_path), QString());
    QVERIFY(profileWriteString("SETTINGS", "Language", "GERMAN", m_path));
    QCOMPARE(get("SETTINGS", "Language", m_path), QString("GERMAN"));
}

QTEST_GUILESS_MAIN(TestProfile)
#include "test_profile.moc"
