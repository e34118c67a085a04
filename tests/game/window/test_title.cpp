// Start-up: the settings file next to the program, the language question on the first start,
// the title's wording, the main window loaded while the title is hidden and shown after the wait.
#include "WindowTestTools.h"
#include "common/ScriptedMsgBoxes.h"
#include "game/window/ChooseLanguage.h"
#include "game/window/QorTitle.h"
#include "platform/AppTitle.h"
#include "platform/MousePointer.h"
#include "platform/Pictures.h"
#include "platform/RuntimeError.h"
#include "support/IniHandler.h"

#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

using namespace gamewindow;

namespace {
// The three-second wait passes at once: every sleep moves the clock on by what it asked for.
class FastClock : public support::DelayClock {
public:
    double timeOfDay() override { return now; }
    void waitForEvents(int ms) override { now += ms / 1000.0; }
    void doEvents() override { QCoreApplication::processEvents(); }
    double now = 1000.0;
};

struct StartUp {
    QTemporaryDir dir;
    FastClock clock;
    QPointer<QorTitle> title;
    int loads = 0;
    int shows = 0;
    QString languageAtLoad;
    bool titleVisibleAtLoad = true;
    int pointerAtLoad = -1;

    QString iniFile() const { return dir.filePath(QStringLiteral("Ostrel.ini")); }
    void writeIni(const QByteArray &text)
    {
        QFile f(iniFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray iniText() const
    {
        QFile f(iniFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    TitleHooks hooks(std::function<void(ChooseLanguage &)> language = nullptr)
    {
        TitleHooks h;
        h.programFolder = dir.path();
        h.delayClock = &clock;
        h.runLanguageWindow = std::move(language);
        h.loadMainWindow = [this] {
            ++loads;
            languageAtLoad = IniHandler::ReadIni(QStringLiteral("SETTINGS"), QStringLiteral("Language"));
            titleVisibleAtLoad = title && title->isVisible();
            pointerAtLoad = platform::mousePointer();
        };
        h.showMainWindow = [this] {
            ++shows;
            if (title)
                title->Unload(); // the main window's first activation closes the title
        };
        return h;
    }

    void run(TitleHooks h)
    {
        title = new QorTitle(std::move(h));
        title->start();
        QTRY_COMPARE(shows, 1);
        QTRY_VERIFY(title.isNull());
    }
};
} // namespace

class TestTitle : public QObject {
    Q_OBJECT
private slots:
    // The pictures the build made in the program folder.
    void initTestCase() { assets::setPictureFolder(qEnvironmentVariable("OSTREL_PROGRAM_DIR") + "/pictures"); }

    void firstStartAsksForTheLanguageBeforeTheMainWindowLoads();
    void firstStartWithTheUkFlagShowsTheEnglishWording();
    void languageWindowClosedWithoutChoiceWritesNothing();
    void storedLanguageSkipsTheQuestion_data();
    void storedLanguageSkipsTheQuestion();
    void languageWindowLayoutAndTexts();
    void titleShowsVersionAndIsBorderless();
    void titleAndFlagsShowTheBuildsPictures();
    void titleClosedDuringTheWaitStillShowsTheMainWindow();
    void errorInTheLoadShowsTheErrorBoxWithTheProcedureName();
};

void TestTitle::firstStartAsksForTheLanguageBeforeTheMainWindowLoads()
{
    StartUp s;
    platform::setAppTitle(QStringLiteral("something else"));
    // The real modal window, answered by a click on the German flag as a person would.
    bool clicked = false;
    ModalWatcher watcher([&](QWidget *w) {
        auto *dialog = qobject_cast<ChooseLanguage *>(w);
        QVERIFY(dialog);
        QTest::mouseClick(dialog->picFlag(0), Qt::LeftButton);
        clicked = true;
    });
    s.run(s.hooks());
    QVERIFY(clicked);
    QCOMPARE(s.loads, 1);
    QCOMPARE(s.languageAtLoad, QStringLiteral("GERMAN"));
    QVERIFY(!s.titleVisibleAtLoad);
    QCOMPARE(s.pointerAtLoad, int(platform::vbHourglass));
    QCOMPARE(platform::mousePointer(), int(platform::vbDefault));
    QCOMPARE(platform::appTitle(), QStringLiteral("Ostrel"));
    // The file holds the one key written so far; the rest are left to their defaults.
    const QByteArray ini = s.iniText();
    QVERIFY(ini.contains("[SETTINGS]"));
    QVERIFY(ini.contains("Language=GERMAN"));
    QCOMPARE(ini.count('='), 1);
}

void TestTitle::firstStartWithTheUkFlagShowsTheEnglishWording()
{
    StartUp s;
    bool englishShown = false;
    bool asked = false;
    TitleHooks h = s.hooks([&](ChooseLanguage &d) {
        asked = true;
        d.picFlag_Click(1);
    });
    auto show = h.showMainWindow;
    h.showMainWindow = [&, show] {
        englishShown = s.title && s.title->picEnglishTitle()->isVisible();
        show();
    };
    s.run(h);
    QVERIFY(asked);
    QVERIFY(englishShown);
    QCOMPARE(s.languageAtLoad, QStringLiteral("ENGLISH"));
}

void TestTitle::languageWindowClosedWithoutChoiceWritesNothing()
{
    StartUp s;
    bool englishShown = false;
    bool closed = false;
    bool openAfterEscape = false;
    ModalWatcher watcher([&](QWidget *w) {
        QTest::keyClick(w, Qt::Key_Escape); // no choice, and no way out but a flag or the close box
        openAfterEscape = w->isVisible();
        closed = w->close();
    });
    TitleHooks h = s.hooks();
    auto show = h.showMainWindow;
    h.showMainWindow = [&, show] {
        englishShown = s.title && s.title->picEnglishTitle()->isVisible();
        show();
    };
    s.run(h);
    QVERIFY(openAfterEscape);
    QVERIFY(closed);
    QVERIFY(englishShown);
    QCOMPARE(s.languageAtLoad, QString());
    QCOMPARE(s.loads, 1);
    QVERIFY(!QFile::exists(s.iniFile()));
}

void TestTitle::storedLanguageSkipsTheQuestion_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("englishWording");
    QTest::newRow("ENGLISH") << QByteArray("[SETTINGS]\r\nLanguage=ENGLISH\r\n") << true;
    QTest::newRow("GERMAN") << QByteArray("[settings]\r\nlanguage = GERMAN \r\n") << false;
    QTest::newRow("german in small letters") << QByteArray("[SETTINGS]\r\nLanguage=german\r\n") << true;
    QTest::newRow("anything else") << QByteArray("[SETTINGS]\r\nLanguage=Klingon\r\n") << true;
}

void TestTitle::storedLanguageSkipsTheQuestion()
{
    QFETCH(QByteArray, ini);
    QFETCH(bool, englishWording);
    StartUp s;
    s.writeIni(ini);
    bool asked = false;
    bool englishShown = false;
    TitleHooks h = s.hooks([&](ChooseLanguage &) { asked = true; });
    auto show = h.showMainWindow;
    h.showMainWindow = [&, show] {
        englishShown = s.title && s.title->picEnglishTitle()->isVisible();
        show();
    };
    s.run(h);
    QVERIFY(!asked);
    QCOMPARE(englishShown, englishWording);
    QCOMPARE(s.iniText(), ini); // nothing written
}

void TestTitle::languageWindowLayoutAndTexts()
{
    ChooseLanguage d;
    QCOMPARE(d.windowTitle(), QStringLiteral("       Select language                    Sprachauswahl"));
    QCOMPARE(d.size(), QSize(304, 194));
    QCOMPARE(d.picFlag(1)->geometry(), QRect(64, 44, 32, 32));
    QCOMPARE(d.picFlag(0)->geometry(), QRect(208, 44, 32, 32));
    QCOMPARE(d.lblHint(1)->text(), QStringLiteral("This program supports two languages. Click on the UK-flag to "
                                                  "activate the english version."));
    QCOMPARE(d.lblHint(0)->text(), QStringLiteral("Dieses Programm unterstützt zwei Sprachen. Durch Klicken auf das "
                                                  "Deutschlandsymbol wählen Sie die deutsche Sprachversion."));
    QCOMPARE(d.lblHint(2)->text(), QStringLiteral("'Ostrel'"));
    QCOMPARE(d.lblHint(3)->text(), QStringLiteral("'Ostrel'"));
    // English column left, German column right.
    QVERIFY(d.lblHint(1)->x() < d.lblHint(0)->x());
    QVERIFY(d.lblHint(3)->x() < d.lblHint(2)->x());
}

void TestTitle::titleShowsVersionAndIsBorderless()
{
    StartUp s;
    s.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\n");
    QorTitle title(s.hooks());
    title.setAttribute(Qt::WA_DeleteOnClose, false);
    QVERIFY(!title.picEnglishTitle()->isVisible());
    title.Form_Load();
    QCOMPARE(title.lblVersion()->text(), QStringLiteral("Freeware Version 2.98"));
    QVERIFY(title.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(title.size(), QSize(542, 417));
    QCOMPARE(IniHandler::IniPath, s.iniFile());
    QCOMPARE(s.loads, 1);
    QVERIFY(!title.isVisible()); // the load shows nothing
    platform::setMousePointer(platform::vbDefault);
}

void TestTitle::titleAndFlagsShowTheBuildsPictures()
{
    StartUp s;
    QorTitle title(s.hooks());
    title.setAttribute(Qt::WA_DeleteOnClose, false);
    ChooseLanguage language;
    const QList<QPair<QLabel *, const char *>> shown{{title.picTitle(), assets::TitleGerman},
                                                     {title.picEnglishTitle(), assets::TitleEnglish},
                                                     {language.picFlag(1), assets::FlagEnglish},
                                                     {language.picFlag(0), assets::FlagGerman}};
    for (const auto &[label, name] : shown) {
        QVERIFY2(!assets::picture(name).isNull(), name);
        QVERIFY2(assets::sameObject(label->pixmap(), assets::picture(name)), name);
        QVERIFY(label->hasScaledContents()); // drawn at the size of its place in the window
    }
    // The artwork fills its place: no black corner where a smaller picture would leave one.
    title.show();
    QVERIFY(QTest::qWaitForWindowExposed(&title));
    const QImage image = title.grab().toImage();
    const QRect art = title.picTitle()->geometry();
    QVERIFY(image.pixelColor(art.bottomRight() - QPoint(2, 2)) != QColor(Qt::black));
}

void TestTitle::titleClosedDuringTheWaitStillShowsTheMainWindow()
{
    // A clock whose first yield closes the title, as Alt+F4 on it would.
    class ClosingClock : public FastClock {
    public:
        QPointer<QorTitle> *title = nullptr;
        void doEvents() override
        {
            if (*title)
                (*title)->close();
            FastClock::doEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    };
    StartUp s;
    s.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\n");
    ClosingClock clock;
    clock.title = &s.title;
    TitleHooks h = s.hooks();
    h.delayClock = &clock;
    s.title = new QorTitle(std::move(h));
    s.title->start();
    QTRY_VERIFY(s.title.isNull());
    QTRY_COMPARE(s.shows, 1);
    QCOMPARE(s.loads, 1);
    QCOMPARE(platform::mousePointer(), int(platform::vbDefault));
}

void TestTitle::errorInTheLoadShowsTheErrorBoxWithTheProcedureName()
{
    StartUp s;
    s.writeIni("[SETTINGS]\r\nLanguage=ENGLISH\r\n");
    ScriptedMsgBoxes boxes;
    boxes.answer(platform::vbIgnore);
    TitleHooks h = s.hooks();
    h.loadMainWindow = [] { platform::raiseError(platform::ErrFileNotFound); };
    QorTitle title(h);
    title.setAttribute(Qt::WA_DeleteOnClose, false);
    title.Form_Load();
    QCOMPARE(boxes.count(), 1);
    QVERIFY(boxes.shown().first().title.contains(QStringLiteral("Form_Load")));
    platform::setMousePointer(platform::vbDefault);
}

QTEST_MAIN(TestTitle)
#include "test_title.moc"
