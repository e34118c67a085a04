// The registry stand-in: the web-page command found from the desktop's default browser, and
// the handle, type, size and result-code behaviour its callers rely on.
#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace platform;

namespace {
const QString BrowserKey = QStringLiteral("htmlfile\\shell\\open\\command");

void writeFile(const QString &path, const QByteArray &bytes, bool executable = false)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    if (executable)
        QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));
}

// The default value of the web-page key, read the way its callers do: size first, then data.
QString browserValue(int32_t *openResult = nullptr)
{
    RegKey key = 0;
    const int32_t opened = regOpenKeyEx(HKEY_CLASSES_ROOT, BrowserKey, 0x3F, key);
    if (openResult)
        *openResult = opened;
    if (opened != RegSuccess)
        return QStringLiteral("<no key>");
    uint32_t type = 0;
    uint32_t size = 0;
    QByteArray data;
    if (regQueryValueEx(key, QString(), &type, nullptr, &size) == RegSuccess && type == REG_SZ) {
        data.resize(size);
        regQueryValueEx(key, QString(), nullptr, data.data(), &size);
    }
    regCloseKey(key);
    if (!data.endsWith('\0'))
        return QStringLiteral("<not NUL-terminated>");
    data.chop(1);
    return QString::fromLatin1(data);
}
} // namespace

class TestRegistry : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void webPageCommandIsTheDefaultBrowserInQuotesWithItsOptions();
    void execQuotingAndFieldCodesAreResolved();
    void programWithoutFolderIsFoundInPath();
    void firstInstalledHttpHandlerWinsAndHtmlIsTheFallback();
    void noBrowserMeansNoKey();
    void handlesSizesAndTypesBehaveLikeTheOriginal();
    void malformedDesktopFilesGiveNoKeyOrAPlainCommand();

private:
    QString config() const { return m_dir->filePath("config"); }
    QString apps() const { return m_dir->filePath("data/applications"); }
    void setDefault(const QByteArray &lines) { writeFile(config() + "/mimeapps.list", "[Default Applications]\n" + lines); }
    void setEntry(const QString &id, const QByteArray &exec)
    {
        writeFile(apps() + '/' + id, "[Desktop Entry]\nType=Application\nName=Fake\nExec=" + exec + "\n");
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QList<QPair<const char *, QByteArray>> m_savedEnv;
};

void TestRegistry::initTestCase()
{
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS",
                             "XDG_CURRENT_DESKTOP", "PATH"})
        m_savedEnv.append({name, qgetenv(name)});
}

void TestRegistry::init()
{
    // Never the real configuration of whoever runs the tests.
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config()));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_dir->filePath("etc")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->filePath("data")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(m_dir->filePath("share")));
    qunsetenv("XDG_CURRENT_DESKTOP");
    useDesktopRegistry();
}

void TestRegistry::cleanupTestCase()
{
    for (const auto &[name, value] : m_savedEnv)
        qputenv(name, value);
    useDesktopRegistry();
}

void TestRegistry::webPageCommandIsTheDefaultBrowserInQuotesWithItsOptions()
{
    const QString program = m_dir->filePath("bin/browser");
    writeFile(program, "#!/bin/sh\n", true);
    setDefault("x-scheme-handler/http=fake.desktop;\n");
    setEntry("fake.desktop", QFile::encodeName(program) + " --new-window %u");
    QCOMPARE(browserValue(), '"' + program + "\" --new-window");
    QCOMPARE(desktopBrowserCommand(), '"' + program + "\" --new-window");
}

void TestRegistry::execQuotingAndFieldCodesAreResolved()
{
    const QString program = m_dir->filePath("my bin/web browser");
    writeFile(program, "#!/bin/sh\n", true);
    setDefault("x-scheme-handler/http=fake.desktop\n");
    setEntry("fake.desktop", '"' + QFile::encodeName(program)
                                 + "\" --profile \"a b\" %U %i --name=%c 100%% \"say \\\\\"hi\\\\\"\" %F");
    QCOMPARE(browserValue(), '"' + program + "\" --profile \"a b\" --name= 100% \"say \"hi\"\"");
}

void TestRegistry::programWithoutFolderIsFoundInPath()
{
    writeFile(m_dir->filePath("bin/ostrel-test-browser"), "#!/bin/sh\n", true);
    qputenv("PATH", QFile::encodeName(m_dir->filePath("bin")) + ':' + m_savedEnv.last().second);
    setDefault("x-scheme-handler/http=fake.desktop\n");
    setEntry("fake.desktop", "ostrel-test-browser %u");
    QCOMPARE(browserValue(), '"' + m_dir->filePath("bin/ostrel-test-browser") + '"');

    setEntry("fake.desktop", "ostrel-no-such-browser-anywhere %u");
    int32_t opened = 0;
    browserValue(&opened);
    QCOMPARE(opened, RegFileNotFound);
    qputenv("PATH", m_savedEnv.last().second);
}

void TestRegistry::firstInstalledHttpHandlerWinsAndHtmlIsTheFallback()
{
    setEntry("second.desktop", "/opt/second %u");
    setEntry("html.desktop", "/opt/html %u");
    setDefault("text/html=html.desktop\nx-scheme-handler/http=not-installed.desktop;../escape.desktop;second.desktop\n");
    writeFile(apps() + "/../escape.desktop", "[Desktop Entry]\nExec=/opt/escape\n");
    QCOMPARE(browserValue(), QString("\"/opt/second\""));

    setDefault("text/html=html.desktop\n");
    QCOMPARE(browserValue(), QString("\"/opt/html\""));

    // The user's own choice comes before the system-wide one.
    writeFile(m_dir->filePath("etc/mimeapps.list"), "[Default Applications]\nx-scheme-handler/http=second.desktop\n");
    QCOMPARE(browserValue(), QString("\"/opt/second\""));
    setDefault("x-scheme-handler/http=html.desktop\n");
    QCOMPARE(browserValue(), QString("\"/opt/html\""));

    // Another group of the file does not count.
    setDefault("[Added Associations]\nx-scheme-handler/http=html.desktop\n");
    QCOMPARE(browserValue(), QString("\"/opt/second\""));
}

void TestRegistry::noBrowserMeansNoKey()
{
    int32_t opened = 0;
    QCOMPARE(browserValue(&opened), QString("<no key>"));
    QCOMPARE(opened, RegFileNotFound);

    setDefault("x-scheme-handler/http=empty.desktop\n");
    setEntry("empty.desktop", "%u");
    browserValue(&opened);
    QCOMPARE(opened, RegFileNotFound);

    writeFile(apps() + "/noexec.desktop", "[Desktop Entry]\nName=No Exec\n[Other]\nExec=/opt/other\n");
    setDefault("x-scheme-handler/http=noexec.desktop\n");
    browserValue(&opened);
    QCOMPARE(opened, RegFileNotFound);

    // Junk in place of the association file.
    QByteArray junk;
    for (int i = 0; i < 2000; ++i)
        junk.append(char((i * 53 + 7) % 256));
    writeFile(config() + "/mimeapps.list", junk);
    browserValue(&opened);
    QCOMPARE(opened, RegFileNotFound);

    RegKey key = 99;
    QCOMPARE(regOpenKeyEx(HKEY_CLASSES_ROOT, "htmlfile\\shell\\print\\command", 0x3F, key), RegFileNotFound);
    QCOMPARE(key, RegKey(0));
}

void TestRegistry::handlesSizesAndTypesBehaveLikeTheOriginal()
{
    QByteArray text("\"/opt/b\" -x");
    text.append('\0');
    setRegistryEntries({{HKEY_CLASSES_ROOT, BrowserKey, QString(), REG_SZ, text},
                        {HKEY_CLASSES_ROOT, BrowserKey, "Number", REG_DWORD, QByteArray("\x2A\0\0\0", 4)}});

    RegKey key = 0;
    QCOMPARE(regOpenKeyEx(HKEY_CLASSES_ROOT, "HTMLFILE\\Shell\\Open\\Command", 0x3F, key), RegSuccess);
    QVERIFY(key != 0);
    uint32_t type = 0;
    uint32_t size = 0;
    QCOMPARE(regQueryValueEx(key, QString(), &type, nullptr, &size), RegSuccess);
    QCOMPARE(type, REG_SZ);
    QCOMPARE(size, uint32_t(text.size()));

    char small[4] = {'-', '-', '-', '-'};
    size = sizeof small;
    QCOMPARE(regQueryValueEx(key, QString(), nullptr, small, &size), RegMoreData);
    QCOMPARE(size, uint32_t(text.size()));
    QCOMPARE(small[0], '-');

    int32_t number = 0;
    size = sizeof number;
    QCOMPARE(regQueryValueEx(key, "number", &type, &number, &size), RegSuccess);
    QCOMPARE(type, REG_DWORD);
    QCOMPARE(number, 42);
    QCOMPARE(regQueryValueEx(key, "Missing", &type, nullptr, &size), RegFileNotFound);

    QCOMPARE(regCloseKey(key), RegSuccess);
    QCOMPARE(regQueryValueEx(key, QString(), &type, nullptr, &size), RegInvalidHandle);
    QCOMPARE(regCloseKey(key), RegInvalidHandle);
    QCOMPARE(regQueryValueEx(0, QString(), &type, nullptr, &size), RegInvalidHandle);
    useDesktopRegistry();
}

void TestRegistry::malformedDesktopFilesGiveNoKeyOrAPlainCommand()
{
    setDefault("x-scheme-handler/http=bad.desktop\n");
    int32_t opened = 0;

    // A NUL in the program path names no file.
    setEntry("bad.desktop", QByteArray("/opt/br\0owser %u", 16));
    browserValue(&opened);
    QCOMPARE(opened, RegFileNotFound);

    // An unclosed quote ends with the line; a lone backslash at the end stays.
    setEntry("bad.desktop", "\"/opt/browser --flag");
    QCOMPARE(browserValue(), QString("\"/opt/browser --flag\""));
    setEntry("bad.desktop", "/opt/browser x\\");
    QCOMPARE(browserValue(), QString("\"/opt/browser\" x\\"));

    // CR LF line ends and blanks around the key.
    writeFile(apps() + "/bad.desktop", "[Desktop Entry]\r\n Exec = /opt/crlf %u\r\n");
    QCOMPARE(browserValue(), QString("\"/opt/crlf\""));

    // Far larger than any desktop entry: not read.
    writeFile(apps() + "/bad.desktop", "[Desktop Entry]\nExec=/opt/huge\n" + QByteArray(1024 * 1024, '#'));
    browserValue(&opened);
    QCOMPARE(opened, RegFileNotFound);

    // A folder or a pipe in place of the entry.
    QFile::remove(apps() + "/bad.desktop");
    QVERIFY(QDir().mkpath(apps() + "/bad.desktop"));
    browserValue(&opened);
    QCOMPARE(opened, RegFileNotFound);
    QVERIFY(QDir().rmdir(apps() + "/bad.desktop"));
    QCOMPARE(::mkfifo(QFile::encodeName(apps() + "/bad.desktop").constData(), 0600), 0);
    browserValue(&opened);
    QCOMPARE(opened, RegFileNotFound);
    QCOMPARE(::mkfifo(QFile::encodeName(config() + "/fifo.list").constData(), 0600), 0);
    QFile::remove(config() + "/mimeapps.list");
    QVERIFY(QFile::link(config() + "/fifo.list", config() + "/mimeapps.list"));
    browserValue(&opened);
    QCOMPARE(opened, RegFileNotFound);
}

QTEST_GUILESS_MAIN(TestRegistry)
#include "test_registry.moc"
