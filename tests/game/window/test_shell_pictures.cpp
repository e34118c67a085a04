// Screenshots of the shell windows as PNG files in the build's picture folder, for a person
// to look at; the test checks that each window drew something.
#include "game/window/ChooseLanguage.h"
#include "game/window/QorBest.h"
#include "game/window/QorInfo.h"
#include "game/window/QorTitle.h"
#include "platform/Pictures.h"
#include "support/IniHandler.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace gamewindow;

class TestShellPictures : public QObject {
    Q_OBJECT
private slots:
    // The pictures the build made in the program folder.
    void initTestCase() { assets::setPictureFolder(qEnvironmentVariable("OSTREL_PROGRAM_DIR") + "/pictures"); }
    void writeWindowPictures();

private:
    void save(QWidget &window, const QString &name);
};

void TestShellPictures::save(QWidget &window, const QString &name)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage image = window.grab().toImage();
    QVERIFY(!image.isNull());
    QVERIFY(image.save(QDir(QStringLiteral(OSTREL_PICTURE_DIR)).filePath(name + QStringLiteral(".png"))));
    window.hide();
}

void TestShellPictures::writeWindowPictures()
{
    QVERIFY(QDir().mkpath(QStringLiteral(OSTREL_PICTURE_DIR)));
    QTemporaryDir dir;
    IniHandler::IniPath = dir.filePath(QStringLiteral("Ostrel.ini"));
    IniHandler::WriteIni(QStringLiteral("SETTINGS"), QStringLiteral("Language"), QStringLiteral("ENGLISH"));

    TitleHooks hooks;
    hooks.programFolder = dir.path();
    QorTitle title(hooks);
    title.setAttribute(Qt::WA_DeleteOnClose, false);
    title.Form_Load();
    save(title, QStringLiteral("title_english"));
    title.picEnglishTitle()->hide();
    save(title, QStringLiteral("title_german"));

    ChooseLanguage language;
    save(language, QStringLiteral("language"));

    std::array<QString, 5> names{QStringLiteral("Ann"), QStringLiteral("Bob"), QString(), QString(), QString()};
    std::array<int32_t, 5> points{1234567, 12500, 900, 0, 0};
    QorBest best({names, points}, {true, {}, nullptr});
    best.enableNameBox(2);
    save(best, QStringLiteral("highscores_english"));
    QorBest bestGerman({names, points}, {false, {}, nullptr});
    save(bestGerman, QStringLiteral("highscores_german"));

    QorInfo info(true, nullptr, [](const QString &) {});
    save(info, QStringLiteral("info_english"));
    QorInfo infoGerman(false, nullptr, [](const QString &) {});
    save(infoGerman, QStringLiteral("info_german"));
}

QTEST_MAIN(TestShellPictures)
#include "test_shell_pictures.moc"
