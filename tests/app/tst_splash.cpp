// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmsplash.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

class TestSplash : public QObject
{
    Q_OBJECT
private slots:
    void designState();
    void labelsAsDesigned();
};

void TestSplash::designState()
{
    frmSplash splash;
    QCOMPARE(splash.size(), QSize(475, 205));
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!splash.isEnabled());
    QCOMPARE(splash.cursor().shape(), Qt::WaitCursor);
    QCOMPARE(splash.lblWarning->cursor().shape(), Qt::WaitCursor);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QVERIFY(qAbs(splash.geometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(splash.geometry().center().y() - screen.center().y()) <= 1);

    // The background picture is painted, not a plain fill.
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    const QImage shot = splash.grab().toImage();
    QVERIFY(shot.pixelColor(470, 5) != shot.pixelColor(5, 200));
    QVERIFY(!splash.picLogo->pixmap().isNull());
}

void TestSplash::labelsAsDesigned()
{
    frmSplash splash;
    QCOMPARE(splash.lblProductName->text(), QStringLiteral("Hadrel"));
    QCOMPARE(splash.lblProductName->geometry(), QRect(156, 3, 301, 90));
    QCOMPARE(splash.lblProductName->palette().color(QPalette::WindowText), QColor(Qt::cyan));
    QVERIFY(splash.lblProductName->font().bold() && splash.lblProductName->font().italic());
    QCOMPARE(splash.lblProductName->font().pointSizeF(), 48.0);
    QCOMPARE(splash.lblVersion->text(), QStringLiteral("Version 2.02"));
    QCOMPARE(splash.lblVersion->geometry(), QRect(246, 87, 109, 18));
    QCOMPARE(splash.lblCopyright->geometry(), QRect(246, 117, 176, 15));
    QVERIFY(!splash.lblCopyright->text().isEmpty());
    QCOMPARE(splash.lblWarning->text(), QStringLiteral("注意：著作権法に引っかかることしちゃいや～よ"));
    QCOMPARE(splash.lblWarning->geometry(), QRect(180, 180, 281, 13));
    QCOMPARE(splash.picLogo->geometry(), QRect(3, 3, 154, 190));
    // Whatever font the desktop falls back to, the fixed texts are shown whole.
    for (QLabel* label : { splash.lblProductName, splash.lblVersion, splash.lblCopyright, splash.lblWarning })
        QVERIFY2(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->width(),
            qPrintable(label->objectName()));
    for (QLabel* label : { splash.lblVersion, splash.lblCopyright, splash.lblWarning }) {
        QCOMPARE(label->palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::white));
    }
}

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
