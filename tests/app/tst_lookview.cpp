// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/winamplookview.h"
#include "settings/settingskeys.h"
#include "skins/winamplook.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class TestLookView : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void shortScreenShowsItAtOnce();
    void keysSwitchTheScale();
};

namespace {

const QString skin()
{
    return TestSupport::slashed(QDir(TestSupport::sharedSkinsFolder()).filePath(QStringLiteral("XMMS-Turquoise")));
}

void screenHeight(int height)
{
    WinampLookView::availableHeight = [height](const QWidget*) { return height; };
}

} // namespace

void TestLookView::cleanup()
{
    QFile::remove(SettingsKeys::file());
}

void TestLookView::shortScreenShowsItAtOnce()
{
    // A 1366 x 768 screen less its panel cannot take the window at 2x.
    screenHeight(740);
    WinampLookView shortView(skin(), QStringLiteral("XMMS-Turquoise"));
    QCOMPARE(shortView.scale(), 1);
    QCOMPARE(shortView.Look_Picture->size(), WinampLookView::lookSize);
    QVERIFY(shortView.sizeHint().height() + 32 <= 740);
    QTRY_VERIFY(shortView.pictureShown());
    const QImage look = WinampLook::stacked(SkinFiles::fromFolder(skin(), WinampLook::fileNames()));
    QCOMPARE(shortView.Look_Picture->pixmap().toImage().convertToFormat(look.format()), look);

    screenHeight(1050);
    WinampLookView tallView(skin(), QStringLiteral("XMMS-Turquoise"));
    QCOMPARE(tallView.scale(), 2);
    QCOMPARE(tallView.Look_Picture->size(), WinampLookView::lookSize * 2);
    // The remembered choice, where it fits.
    QVERIFY(!SettingsKeys::write(SettingsKeys::lookScale, QStringLiteral("1")));
    QCOMPARE(WinampLookView(skin(), QString()).scale(), 1);
    QVERIFY(!SettingsKeys::write(SettingsKeys::lookScale, QStringLiteral("2")));
    screenHeight(740);
    QCOMPARE(WinampLookView(skin(), QString()).scale(), 1);
}

void TestLookView::keysSwitchTheScale()
{
    screenHeight(740);
    WinampLookView view(skin(), QStringLiteral("XMMS-Turquoise"));
    QSignalSpy chosen(&view, &WinampLookView::scaleChosen);
    view.show();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    QTRY_VERIFY(view.pictureShown());
    QTest::keyClick(&view, Qt::Key_2);
    QCOMPARE(view.scale(), 2);
    QCOMPARE(view.size(), view.sizeHint());
    QCOMPARE(view.Look_Picture->pixmap().size(), WinampLookView::lookSize * 2);
    QTest::keyClick(view.Close_Button, Qt::Key_1); // from the focused button too
    QCOMPARE(view.scale(), 1);
    QCOMPARE(view.Look_Picture->pixmap().size(), WinampLookView::lookSize);
    QCOMPARE(chosen.size(), 2);
    QCOMPARE(chosen[0][0].toInt(), 2);
    QCOMPARE(chosen[1][0].toInt(), 1);
}

QTEST_MAIN(TestLookView)
#include "tst_lookview.moc"
