// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/statuspanels.h"
#include "tests/support/gridwindow.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTest>

using namespace TestSupport;

class TestListFollow : public QObject
{
    Q_OBJECT
private slots:
    void followsAnotherProgramOnALaterPage();
};

void TestListFollow::followsAnotherProgramOnALaterPage()
{
    QTemporaryDir dir;
    QVERIFY(makeNumberedSkins(dir.path(), 30));
    const QString folder = slashed(dir.path());
    GridWindow grid(folder);
    frmmain& w = grid.window;
    w.Skin_Lst->setCurrentRow(17);
    const QLabel* count = w.WINAMP_Path->panel(QStringLiteral("skin"));
    // The list, the selection, the page and the frame tell one story.
    auto shows = [&](const QString& name, int cell, const QString& first) {
        return w.Skin_Lst->currentItem()->text() == name && grid.state.Selected_Skin == name
            && grid.state.Page_Current == 1 && w.selectedCell() == cell && w.Skin_Name[cell]->text() == name
            && w.Skin_Name[0]->text() == first && w.Skin_Lst->item(12)->text() == first;
    };

    // Made empty and filled afterwards, as a copy makes it; a folder that stays no skin.
    QVERIFY(QDir(folder).mkdir(QStringLiteral("Skin05b")));
    QVERIFY(QDir(folder).mkdir(QStringLiteral("NoSkin")));
    QVERIFY(writeBitmap(folder + QStringLiteral("Skin05b/main.bmp"), Qt::red));
    QTRY_COMPARE(count->text(), QStringLiteral("Skin数:31"));
    QVERIFY(shows(QStringLiteral("Skin17"), 6, QStringLiteral("Skin11")));

    // The selected skin goes: the one after it takes its place.
    QVERIFY(QDir(folder + QStringLiteral("Skin17")).removeRecursively());
    QTRY_COMPARE(count->text(), QStringLiteral("Skin数:30"));
    QVERIFY(shows(QStringLiteral("Skin18"), 6, QStringLiteral("Skin11")));

    // Renamed to the end of the list, and one made read-only: the page moves up by one.
    QVERIFY(QDir(folder).rename(QStringLiteral("Skin03"), QStringLiteral("zz last")));
    QVERIFY(QFile::setPermissions(folder + QStringLiteral("Skin25"), QFile::ReadOwner | QFile::ExeOwner));
    QTRY_COMPARE(count->text(), QStringLiteral("Skin数:29"));
    QCOMPARE(w.Skin_Lst->item(28)->text(), QStringLiteral("zz last"));
    QVERIFY(shows(QStringLiteral("Skin18"), 5, QStringLiteral("Skin12")));

    // A change past the page shown reads no picture again.
    const qsizetype read = grid.loaded.size();
    QVERIFY(makeSkin(folder, QStringLiteral("zz later")));
    QTRY_COMPARE(count->text(), QStringLiteral("Skin数:30"));
    QCOMPARE(grid.loaded.size(), read);
    QVERIFY(shows(QStringLiteral("Skin18"), 5, QStringLiteral("Skin12")));
    QVERIFY(QFile::setPermissions(folder + QStringLiteral("Skin25"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QTEST_MAIN(TestListFollow)
#include "tst_listfollow.moc"
