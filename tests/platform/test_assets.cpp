// What the build puts into the program folder: the pictures (sizes, looks, shared identity),
// the effect sounds, and the help files shown by the help viewer; hostile help files.
#include "platform/HelpViewer.h"
#include "platform/Pictures.h"
#include "platform/SoundPlayer.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>

using namespace platform;

class TestAssets : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void everyPictureIsMadeInItsSize();
    void storePicturesAreSharedAndComparedByIdentity();
    void picturesShowWhatTheirNamesSay();
    void borderPiecesFollowTheFrameLayout();
    void everyEffectSoundIsAShortCleanWave();
    void eachHelpFileOpensAtItsContentsAndItsLinksLead();
    void missingHelpFileIsReportedByTheViewer();
    void hostileHelpFilesAreShownSafelyOrRefused();

private:
    QString program;
    QTemporaryDir tmp;
    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile f(tmp.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(name));
        return f.fileName();
    }
};

void TestAssets::initTestCase()
{
    program = qEnvironmentVariable("OSTREL_PROGRAM_DIR");
    QVERIFY(QDir(program).exists());
    assets::setPictureFolder(QDir(program).filePath("pictures"));
}

void TestAssets::everyPictureIsMadeInItsSize()
{
    const QHash<QString, QSize> special = {
        {"timeBarEnabled", {350, 12}}, {"timeBarDisabled", {350, 12}}, {"titleGerman", {478, 337}},
        {"titleEnglish", {157, 49}},   {"infoBackground", {440, 320}}, {"voiceBarRed", {408, 4}},
        {"voiceBarYellow", {408, 4}},
    };
    const QStringList names = assets::pictureNames();
    QCOMPARE(names.size(), 33);
    for (const QString &name : names) {
        const QPixmap &p = assets::picture(name);
        QVERIFY2(!p.isNull(), qPrintable(name));
        QCOMPARE(p.size(), special.value(name, QSize(32, 32)));
    }
}

void TestAssets::storePicturesAreSharedAndComparedByIdentity()
{
    const QPixmap &empty = assets::picture("cellEmpty");
    QVERIFY(assets::sameObject(assets::picture("cellEmpty"), empty));
    QCOMPARE(&assets::picture("cellEmpty"), &empty);

    // A cell that shows the store is recognised as showing it; a copy of the same look is not.
    QLabel cell;
    cell.setPixmap(empty);
    QVERIFY(assets::sameObject(cell.pixmap(), empty));
    QLabel spare;
    spare.setPixmap(empty.copy());
    QVERIFY(!assets::sameObject(spare.pixmap(), empty));
    QCOMPARE(spare.pixmap().toImage(), empty.toImage());
    QVERIFY(!assets::sameObject(assets::picture("cellRedFilled"), empty));

    // References handed out stay valid while more pictures are loaded.
    for (const QString &n : assets::pictureNames())
        assets::picture(n);
    QVERIFY(assets::sameObject(cell.pixmap(), empty));

    QVERIFY(assets::picture("noSuchPicture").isNull());
    QVERIFY(assets::picture("../pictures/cellEmpty").isNull());
    QVERIFY(!assets::sameObject(assets::picture("noSuchPicture"), assets::picture("noSuchPicture")));
}

void TestAssets::picturesShowWhatTheirNamesSay()
{
    auto at = [](const char *name, int x, int y) { return assets::picture(name).toImage().pixelColor(x, y); };
    // The board is blue around a dark hole.
    const QColor corner = at("cellEmpty", 1, 1), hole = at("cellEmpty", 16, 16);
    QVERIFY(corner.blue() > 150 && corner.red() < 100);
    QVERIFY(hole.lightness() < 60);
    // Filled cells hold a red or yellow chip; the entering frame shows it high, the leaving low.
    const QColor red = at("cellRedFilled", 20, 20), yellow = at("cellYellowFilled", 20, 20);
    QVERIFY(red.red() > 120 && red.green() < 80 && red.blue() < 80);
    QVERIFY(yellow.red() > 150 && yellow.green() > 120 && yellow.blue() < 80);
    QVERIFY(at("cellRedEnter", 16, 7).red() > 100 && at("cellRedEnter", 16, 25).lightness() < 60);
    QVERIFY(at("cellRedLeave", 16, 25).red() > 100 && at("cellRedLeave", 16, 7).lightness() < 60);
    // Chips above the board stand on black; the thinking frames narrow towards edge-on.
    QCOMPARE(at("chipRed", 0, 0), QColor(Qt::black));
    QVERIFY(at("chipYellow", 16, 20).green() > 120);
    auto width = [](const char *name) {
        const QImage img = assets::picture(name).toImage();
        int w = 0;
        for (int x = 0; x < img.width(); ++x)
            w += img.pixelColor(x, 16).red() > 60;
        return w;
    };
    QVERIFY(width("anim0") > width("anim3") && width("anim3") > width("anim5") && width("anim5") > 0);
    // The two looks of the time bar: green and grey.
    const QColor on = at("timeBarEnabled", 175, 6), off = at("timeBarDisabled", 175, 6);
    QVERIFY(on.green() > on.red() + 50);
    QVERIFY(qAbs(off.red() - off.green()) < 10 && qAbs(off.green() - off.blue()) < 10);
}

void TestAssets::borderPiecesFollowTheFrameLayout()
{
    QCOMPARE(assets::borderPictureName(0), QString("borderBottomLeft"));
    QCOMPARE(assets::borderPictureName(4), QString("borderBottom"));
    QCOMPARE(assets::borderPictureName(8), QString("borderBottomRight"));
    QCOMPARE(assets::borderPictureName(9), QString("borderLeft"));
    QCOMPARE(assets::borderPictureName(14), QString("borderLeft"));
    QCOMPARE(assets::borderPictureName(15), QString("borderRight"));
    QCOMPARE(assets::borderPictureName(20), QString("borderRight"));
    QCOMPARE(assets::borderPictureName(21), QString("borderTopLeft"));
    QCOMPARE(assets::borderPictureName(22), QString("borderTopRight"));
    QCOMPARE(assets::borderPictureName(23), QString("borderTop"));
    QCOMPARE(assets::borderPictureName(29), QString("borderTop"));
    QVERIFY(assets::borderPictureName(-1).isEmpty() && assets::borderPictureName(30).isEmpty());
    for (int i = 0; i < 30; ++i)
        QVERIFY(!assets::picture(assets::borderPictureName(i)).isNull());
    // The rim lies next to the cells: on the right of the left edge, at the bottom of the top.
    const QImage left = assets::picture("borderLeft").toImage(), top = assets::picture("borderTop").toImage();
    QVERIFY(left.pixelColor(30, 16).blue() > 150 && left.pixelColor(2, 16) == QColor(Qt::black));
    QVERIFY(top.pixelColor(16, 30).blue() > 150 && top.pixelColor(16, 2) == QColor(Qt::black));
}

void TestAssets::everyEffectSoundIsAShortCleanWave()
{
    const QStringList names = {"NEXTTUBE", "CHFALL",   "TFILLED",  "DRAWN",    "PLWIN1",
                               "PLWIN2",   "PLWIN3",   "TIMEOVER", "RESOPEN",  "RESCLOSE",
                               "p2pstart", "msgarriv", "nickchan", "p2pend"};
    QList<QByteArray> seen;
    for (const QString &n : names) {
        const QString path = QDir(program).filePath(n + ".WAV");
        QVERIFY2(QFileInfo(path).isFile(), qPrintable(path)); // the exact name, not just any case
        const auto sound = readWaveFile(path);
        QVERIFY2(sound, qPrintable(n));
        QCOMPARE(sound->channels, 1);
        QCOMPARE(sound->bitsPerSample, 16);
        QVERIFY2(sound->seconds() > 0.02 && sound->seconds() < 1.5, qPrintable(n));
        const auto *s = reinterpret_cast<const qint16 *>(sound->pcm.constData());
        const qint64 frames = sound->frames();
        int peak = 0;
        for (qint64 i = 0; i < frames; ++i)
            peak = qMax(peak, qAbs(int(s[i])));
        QVERIFY2(peak > 3000 && peak < 32000, qPrintable(n)); // audible and not clipped
        // Faded in and out: no click at either end.
        QVERIFY2(qAbs(int(s[0])) < 300 && qAbs(int(s[frames - 1])) < 300, qPrintable(n));
        QVERIFY2(!seen.contains(sound->pcm), qPrintable(n));
        seen << sound->pcm;
    }
    QVERIFY(findFileNoCase(program, "chfall.wav").endsWith("CHFALL.WAV"));
}

void TestAssets::eachHelpFileOpensAtItsContentsAndItsLinksLead()
{
    QStringList ids;
    for (const auto &[file, contents] : {std::pair{"Qoreng.hlp", "Contents"}, std::pair{"Qorger.hlp", "Inhalt"}}) {
        HelpViewer *viewer = showHelp(QDir(program).filePath(file));
        QVERIFY(viewer->isVisible());
        QVERIFY2(viewer->problem().isEmpty(), qPrintable(viewer->problem()));
        QCOMPARE(viewer->currentTopic(), QString("contents"));
        QVERIFY(viewer->browser()->toPlainText().startsWith(contents));
        // Every topic is reachable from the contents page and every link leads somewhere.
        const QStringList fromContents = viewer->linksOf("contents");
        QCOMPARE(QSet<QString>(fromContents.begin(), fromContents.end()).size(), viewer->topicIds().size() - 1);
        for (const QString &id : viewer->topicIds())
            for (const QString &target : viewer->linksOf(id))
                QVERIFY2(viewer->topicIds().contains(target), qPrintable(file + (": " + target)));
        if (ids.isEmpty())
            ids = viewer->topicIds();
        else
            QCOMPARE(viewer->topicIds(), ids); // both languages hold the same topics
        for (const char *word : {"/NICK", "F9", "F1", "F2", "F3", "1001", "42"})
            QVERIFY2(QString(viewer->browser()->toPlainText()).contains(word) || [&] {
                for (const QString &id : viewer->topicIds()) {
                    viewer->showTopic(id);
                    if (viewer->browser()->toPlainText().contains(word))
                        return true;
                }
                return false;
            }(), word);

        // Following a link, going back, and the contents button.
        viewer->showTopic("contents");
        emit viewer->browser()->anchorClicked(QUrl("topic:chat"));
        QCOMPARE(viewer->currentTopic(), QString("chat"));
        QVERIFY(viewer->browser()->toPlainText().contains("/NICK "));
        emit viewer->browser()->anchorClicked(QUrl("https://example.org/"));
        emit viewer->browser()->anchorClicked(QUrl("topic:nosuchtopic"));
        QCOMPARE(viewer->currentTopic(), QString("chat"));
        viewer->back();
        QCOMPARE(viewer->currentTopic(), QString("contents"));
    }
    // The same viewer window serves every call.
    QCOMPARE(showHelp(QDir(program).filePath("Qoreng.hlp")), showHelp(QDir(program).filePath("Qorger.hlp")));
}

void TestAssets::missingHelpFileIsReportedByTheViewer()
{
    const QString path = QDir(program).filePath("Qorxxx.hlp");
    HelpViewer *viewer = showHelp(path);
    QVERIFY(viewer->isVisible());
    QCOMPARE(viewer->problem(), QString("missing"));
    QVERIFY(viewer->browser()->toPlainText().contains(path));
    QVERIFY(viewer->browser()->toPlainText().contains("cannot be shown"));
    QVERIFY(viewer->browser()->toPlainText().contains("kann nicht angezeigt werden"));
    QVERIFY(viewer->topicIds().isEmpty());
    QVERIFY(!viewer->showTopic("contents"));
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<QMessageBox *>(w));
    QCOMPARE(showHelp(tmp.path())->problem(), QString("missing")); // a folder
    QCOMPARE(showHelp("/dev/zero")->problem(), QString("missing"));  // not a file
    // A good file afterwards is shown normally again.
    QVERIFY(showHelp(QDir(program).filePath("Qoreng.hlp"))->problem().isEmpty());
}

void TestAssets::hostileHelpFilesAreShownSafelyOrRefused()
{
    QByteArray huge("@topic contents Contents\n");
    huge.append(QByteArray(HelpViewer::MaxHelpFileBytes, 'x'));
    QCOMPARE(showHelp(write("huge.hlp", huge))->problem(), QString("too large"));

    QByteArray binary(200000, '\0');
    QRandomGenerator rng(99);
    for (char &c : binary)
        c = char(rng.bounded(256));
    QCOMPARE(showHelp(write("binary.hlp", binary))->problem(), QString("not a help file"));
    QCOMPARE(showHelp(write("plain.hlp", "just text\nno topics\n"))->problem(), QString("not a help file"));
    QCOMPARE(showHelp(write("empty.hlp", ""))->problem(), QString("not a help file"));

    // Markup in the text is shown as text; bad and repeated topic ids are left out.
    HelpViewer *v = showHelp(write("markup.hlp",
                                   "@topic contents <b>Title</b>\n<img src=\"/etc/passwd\"> <a href=\"x\">x</a>\n"
                                   "[[a\"b|evil]] [[other|<i>ok</i>]] **b**\n"
                                   "@topic ../bad Bad\nhidden\n@topic contents Again\nhidden too\n"
                                   "@topic other Other\n- item\n"));
    QVERIFY(v->problem().isEmpty());
    QCOMPARE(v->topicIds(), QStringList({"contents", "other"}));
    const QString shown = v->browser()->toPlainText();
    QVERIFY(shown.contains("<b>Title</b>") && shown.contains("<img src=\"/etc/passwd\">"));
    QVERIFY(shown.contains("<i>ok</i>") && !shown.contains("hidden"));
    QCOMPARE(v->linksOf("contents"), QStringList({"other"}));

    // Pathological lines within the size limit render in reasonable time.
    QByteArray brackets("@topic contents C\n");
    for (int i = 0; i < 60000; ++i)
        brackets.append("[[a|**");
    brackets.append("\n");
    for (int i = 0; i < 20000; ++i)
        brackets.append("- [[contents|x]]\n");
    QElapsedTimer t;
    t.start();
    QVERIFY(showHelp(write("brackets.hlp", brackets))->problem().isEmpty());
    QVERIFY2(t.elapsed() < 20000, qPrintable(QString::number(t.elapsed())));
}

QTEST_MAIN(TestAssets)
#include "test_assets.moc"
