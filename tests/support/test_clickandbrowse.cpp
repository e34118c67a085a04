// Opening a link: the registered browser gets the link as its one argument, untouched by any
// shell; anything short of an existing program starts nothing and shows nothing.
#include "common/ScriptedMsgBoxes.h"
#include "platform/Registry.h"
#include "support/ClickAndBrowse.h"
#include "support/IniHandler.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace ClickAndBrowse;
using platform::RegistryEntry;

namespace {
const QString BrowserKey = QStringLiteral("htmlfile\\shell\\open\\command");
const QVariant NotStarted = QStringLiteral("not started");

QByteArray sz(const QString &text)
{
    QByteArray bytes = text.toLatin1();
    bytes.append('\0');
    return bytes;
}
} // namespace

class TestClickAndBrowse : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void linkOpensInTheDesktopsDefaultBrowser();
    void linkReachesTheBrowserAsOneUntouchedArgument();
    void unquotedCommandStartsOnlyWhenItIsAFile();
    void nothingStartsAndNothingShowsWithoutABrowser();
    void withoutAnAssociationTheLinkGoesToXdgOpen();
    void queryValueExReadsTextAndNumbersOnly();
    void fileExistsRegOnlyForFiles();

private:
    // A stand-in browser that writes the number of its arguments and the first one to a file.
    QString makeBrowser(const QString &name);
    QByteArray waitForBrowserOutput();
    void expectNothingStarted(const QString &target = QStringLiteral("http://example.org/"));

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_output;
    QList<QPair<const char *, QByteArray>> m_savedEnv;
};

void TestClickAndBrowse::initTestCase()
{
    for (const char *name : {"PATH", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CURRENT_DESKTOP"})
        m_savedEnv.append({name, qgetenv(name)});
}

void TestClickAndBrowse::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_output = m_dir->filePath("started.txt");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->filePath("config")));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_dir->filePath("etc")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->filePath("data")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(m_dir->filePath("share")));
    qunsetenv("XDG_CURRENT_DESKTOP");
    // Only the test's own programs can be found: no real xdg-open or browser ever starts.
    QDir().mkpath(m_dir->filePath("path"));
    qputenv("PATH", QFile::encodeName(m_dir->filePath("path")));
    platform::useDesktopRegistry();
    IniHandler::IniResult = NotStarted;
}

void TestClickAndBrowse::cleanupTestCase()
{
    for (const auto &[name, value] : m_savedEnv)
        qputenv(name, value);
    platform::useDesktopRegistry();
}

QString TestClickAndBrowse::makeBrowser(const QString &name)
{
    const QString path = m_dir->filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly))
        return QString();
    const QByteArray output = QFile::encodeName(m_output);
    script.write("#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" + output + ".part'\n/bin/mv '" + output + ".part' '" + output + "'\n");
    script.close();
    script.setPermissions(script.permissions() | QFile::ExeOwner);
    return path;
}

QByteArray TestClickAndBrowse::waitForBrowserOutput()
{
    // The browser runs on its own; wait for its file, not for a fixed time.
    [&] { QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_output), 10000); }();
    QFile file(m_output);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestClickAndBrowse::expectNothingStarted(const QString &target)
{
    ScriptedMsgBoxes boxes;
    IniHandler::IniResult = NotStarted;
    OpenDocument(target);
    QCOMPARE(IniHandler::IniResult, NotStarted);
    QCOMPARE(boxes.count(), 0);
}

void TestClickAndBrowse::linkOpensInTheDesktopsDefaultBrowser()
{
    const QString browser = makeBrowser("bin/browser");
    QDir().mkpath(m_dir->filePath("config"));
    QDir().mkpath(m_dir->filePath("data/applications"));
    QFile list(m_dir->filePath("config/mimeapps.list"));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("[Default Applications]\nx-scheme-handler/http=fake.desktop\n");
    list.close();
    QFile entry(m_dir->filePath("data/applications/fake.desktop"));
    QVERIFY(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nExec=" + QFile::encodeName(browser) + " --new-window %u\n");
    entry.close();

    QCOMPARE(QueryValue(platform::HKEY_CLASSES_ROOT, BrowserKey, QString()), '"' + browser + "\" --new-window");
    OpenDocument("http://www.example.org/ostrel");
    QCOMPARE(waitForBrowserOutput(), QByteArray("1|http://www.example.org/ostrel"));
    QVERIFY(IniHandler::IniResult.toLongLong() > 0);
}

void TestClickAndBrowse::linkReachesTheBrowserAsOneUntouchedArgument()
{
    const QString browser = makeBrowser("a folder/browser");
    platform::setRegistryEntries({{platform::HKEY_CLASSES_ROOT, BrowserKey, QString(), platform::REG_SZ,
                                   sz('"' + browser + "\" -osint -url \"%1\"")}});
    const QString pwned = m_dir->filePath("pwned");
    const QString target = "http://x.org/?a=1&b=2;touch " + pwned + ";$(touch " + pwned + ") `touch " + pwned + "` 'q' \"dq\"";
    OpenDocument(target);
    QCOMPARE(waitForBrowserOutput(), "1|" + target.toLatin1());
    QVERIFY(!QFile::exists(pwned));
}

void TestClickAndBrowse::unquotedCommandStartsOnlyWhenItIsAFile()
{
    const QString browser = makeBrowser("bin/browser");
    platform::setRegistryEntries({{platform::HKEY_CLASSES_ROOT, BrowserKey, QString(), platform::REG_SZ,
                                   sz(browser + " --new-window")}});
    expectNothingStarted();

    platform::setRegistryEntries({{platform::HKEY_CLASSES_ROOT, BrowserKey, QString(), platform::REG_SZ, sz(browser)}});
    OpenDocument("http://example.org/");
    QCOMPARE(waitForBrowserOutput(), QByteArray("1|http://example.org/"));
}

void TestClickAndBrowse::nothingStartsAndNothingShowsWithoutABrowser()
{
    // No association at all.
    expectNothingStarted();

    const QString browser = makeBrowser("bin/browser");
    const auto withValue = [](uint32_t type, const QByteArray &data) {
        platform::setRegistryEntries({{platform::HKEY_CLASSES_ROOT, BrowserKey, QString(), type, data}});
    };
    withValue(platform::REG_SZ, sz(QString()));
    expectNothingStarted();
    withValue(platform::REG_SZ, QByteArray());
    expectNothingStarted();
    withValue(platform::REG_SZ, sz("\"" + m_dir->filePath("no such browser") + "\" %1"));
    expectNothingStarted();
    withValue(platform::REG_SZ, sz("\"" + m_dir->path() + "\" %1"));
    expectNothingStarted();
    withValue(platform::REG_EXPAND_SZ, sz('"' + browser + '"'));
    expectNothingStarted();
    withValue(platform::REG_BINARY, sz('"' + browser + '"'));
    expectNothingStarted();
    withValue(platform::REG_DWORD, QByteArray("\1\0\0\0", 4));
    expectNothingStarted();

    // A file that exists but cannot run: the start fails quietly.
    QFile plain(m_dir->filePath("plain.txt"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    withValue(platform::REG_SZ, sz('"' + plain.fileName() + '"'));
    expectNothingStarted();

    QVERIFY(!QFile::exists(m_output));
}

void TestClickAndBrowse::withoutAnAssociationTheLinkGoesToXdgOpen()
{
    // No [Default Applications] entry anywhere, only xdg-open in PATH.
    makeBrowser("path/xdg-open");
    QCOMPARE(QueryValue(platform::HKEY_CLASSES_ROOT, BrowserKey, QString()), QString());
    const QString pwned = m_dir->filePath("pwned");
    const QString target = "http://x.org/a b?c=1&d=2;touch " + pwned + " $(touch " + pwned + ")";
    OpenDocument(target);
    QCOMPARE(waitForBrowserOutput(), "1|" + target.toLatin1());
    QVERIFY(IniHandler::IniResult.toLongLong() > 0);
    QVERIFY(!QFile::exists(pwned));
}

void TestClickAndBrowse::queryValueExReadsTextAndNumbersOnly()
{
    platform::setRegistryEntries({
        {platform::HKEY_CLASSES_ROOT, "Ostrel\\Test", QString(), platform::REG_SZ, sz("text")},
        {platform::HKEY_CLASSES_ROOT, "Ostrel\\Test", "Count", platform::REG_DWORD, QByteArray("\xD2\x04\0\0", 4)},
        {platform::HKEY_CLASSES_ROOT, "Ostrel\\Test", "Blob", platform::REG_BINARY, QByteArray("\1\2\3")},
    });
    QCOMPARE(QueryValue(platform::HKEY_CLASSES_ROOT, "Ostrel\\Test", QString()), QString("text"));
    QCOMPARE(QueryValue(platform::HKEY_CLASSES_ROOT, "Ostrel\\Test", "Count"), QString("1234"));
    QCOMPARE(QueryValue(platform::HKEY_CLASSES_ROOT, "Ostrel\\Test", "Blob"), QString());
    QCOMPARE(QueryValue(platform::HKEY_CLASSES_ROOT, "Ostrel\\Missing", QString()), QString());

    platform::RegKey key = 0;
    QCOMPARE(platform::regOpenKeyEx(platform::HKEY_CLASSES_ROOT, "Ostrel\\Test", 0x3F, key), platform::RegSuccess);
    QVariant value = QStringLiteral("untouched");
    QCOMPARE(QueryValueEx(key, "Blob", value), -1);
    QCOMPARE(value, QVariant(QStringLiteral("untouched")));
    QCOMPARE(QueryValueEx(key, "Nothing", value), platform::RegFileNotFound);
    QCOMPARE(value, QVariant(QStringLiteral("untouched")));
    QCOMPARE(QueryValueEx(key, "Count", value), 0);
    QCOMPARE(value, QVariant(int32_t(1234)));
    QCOMPARE(QueryValueEx(key, QString(), value), 0);
    QCOMPARE(value, QVariant(QStringLiteral("text")));
    platform::regCloseKey(key);
    QCOMPARE(QueryValueEx(key, QString(), value), platform::RegInvalidHandle);
}

void TestClickAndBrowse::fileExistsRegOnlyForFiles()
{
    QFile empty(m_dir->filePath("empty"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    QVERIFY(FileExistsReg(empty.fileName()));
    QVERIFY(!FileExistsReg(QString()));
    QVERIFY(!FileExistsReg(m_dir->path()));
    QVERIFY(!FileExistsReg(m_dir->filePath("missing")));
    QVERIFY(!FileExistsReg(m_dir->filePath("missing/empty")));
}

QTEST_MAIN(TestClickAndBrowse)
#include "test_clickandbrowse.moc"
