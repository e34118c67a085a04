// The info window: texts in both languages, the version, and which label opens the link.
#include "game/window/QorInfo.h"
#include "platform/Pictures.h"

#include <QTest>

using namespace gamewindow;

class TestInfo : public QObject {
    Q_OBJECT
private slots:
    // The pictures the build made in the program folder.
    void initTestCase() { assets::setPictureFolder(qEnvironmentVariable("OSTREL_PROGRAM_DIR") + "/pictures"); }
    void textsInBothLanguages();
    void iconAndBackgroundAreTheBuildsPictures();
    void onlyTheLinkLabelOpensTheAddress();
    void okCloses();
};

void TestInfo::textsInBothLanguages()
{
    QorInfo english(true);
    QCOMPARE(english.windowTitle(), QStringLiteral("Info 'bout \"Ostrel\""));
    QCOMPARE(english.lblInfoText(0)->text(), QStringLiteral("Idea:\r\n\r\nProgram:"));
    QCOMPARE(english.lblInfoText(2)->text(), QStringLiteral("Freeware Version 2.98"));
    QCOMPARE(english.Label1(0)->text(), QStringLiteral("Ostrel"));
    QCOMPARE(english.Label1(1)->text(), QStringLiteral("Ostrel"));
    // Headings on lines 1 and 3 face the first line of each credit group.
    const QStringList credits = english.lblInfoText(1)->text().split(QStringLiteral("\r\n"));
    QVERIFY(credits.size() >= 3);
    QCOMPARE(english.lblInfoText(3)->text(), english.lblInfoText(4)->text());
    QCOMPARE(english.lblInfoText(4)->pos() - english.lblInfoText(3)->pos(), QPoint(1, 1));
    QCOMPARE(english.Label1(1)->pos() - english.Label1(0)->pos(), QPoint(2, 4));

    QorInfo german(false);
    QCOMPARE(german.windowTitle(), QStringLiteral("Info über \"Ostrel\""));
    QCOMPARE(german.lblInfoText(0)->text(), QStringLiteral("Spielidee:\r\n\r\nProgramm:"));
    QCOMPARE(german.lblInfoText(2)->text(), QStringLiteral("Freeware Version 2.98"));
    QVERIFY(german.lblInfoText(1)->text() != english.lblInfoText(1)->text());
    QVERIFY(german.OkButton()->isDefault());
}

void TestInfo::iconAndBackgroundAreTheBuildsPictures()
{
    QorInfo info(true, nullptr, [](const QString &) {});
    QVERIFY(!assets::picture(assets::InfoIcon).isNull());
    bool icon = false;
    for (QLabel *label : info.findChildren<QLabel *>())
        icon = icon || assets::sameObject(label->pixmap(), assets::picture(assets::InfoIcon));
    QVERIFY(icon);
    // The background picture is stretched over the whole window: its middle shows the picture's middle.
    info.show();
    QVERIFY(QTest::qWaitForWindowExposed(&info));
    const QImage shown = info.grab().toImage();
    const QImage background = assets::picture(assets::InfoBackground).toImage();
    const QPoint spot(shown.width() * 4 / 5, shown.height() / 2); // no label lies there
    const QColor expected = background.pixelColor(background.width() * 4 / 5, background.height() / 2);
    const QColor got = shown.pixelColor(spot);
    QVERIFY2(qAbs(got.red() - expected.red()) < 24 && qAbs(got.green() - expected.green()) < 24
                 && qAbs(got.blue() - expected.blue()) < 24,
             qPrintable(got.name() + " " + expected.name()));
}

void TestInfo::onlyTheLinkLabelOpensTheAddress()
{
    QStringList opened;
    QorInfo info(true, nullptr, [&](const QString &address) { opened << address; });
    info.show();
    for (int i : {0, 1, 2, 4})
        info.lblInfoText_Click(i);
    QVERIFY(opened.isEmpty());
    // A real click on the link label, where the shadow does not lie under it.
    QTest::mouseClick(info.lblInfoText(3), Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(opened, QStringList{QorInfo::linkAddress()});
    QCOMPARE(info.lblInfoText(3)->text(), QorInfo::linkAddress());
}

void TestInfo::okCloses()
{
    QorInfo info(false, nullptr, [](const QString &) {});
    info.show();
    QTest::mouseClick(info.OkButton(), Qt::LeftButton);
    QVERIFY(!info.isVisible());
    QCOMPARE(info.result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestInfo)
#include "test_info.moc"
