// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/folderchooser.h"
#include "tests/support/modalanswer.h"

#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>

class TestFolderChooser : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void bothChoosersGoThroughTheOneSeam();
    void realDialogAsksForAFolderFromTheDesktop_data();
    void realDialogAsksForAFolderFromTheDesktop();
};

void TestFolderChooser::cleanup()
{
    FolderChooser::setFunction({});
}

void TestFolderChooser::bothChoosersGoThroughTheOneSeam()
{
    QWidget mainWindow;
    QWidget settingsDialog;
    QList<QPair<QWidget*, QString>> calls;
    FolderChooser::setFunction([&calls](QWidget* owner, const QString& title) {
        calls.append({ owner, title });
        return calls.size() == 1 ? QStringLiteral("/home/me/new skin") : QString();
    });
    QCOMPARE(
        Folder_Browse_Main(&mainWindow, "追加するSkinのﾌｫﾙﾀﾞを指定してください"), QStringLiteral("/home/me/new skin"));
    QCOMPARE(Folder_Browse_Opt(&settingsDialog, "WinAMPのあるフォルダを選択してください"), QString());
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[0].first, &mainWindow);
    QCOMPARE(calls[0].second, QStringLiteral("追加するSkinのﾌｫﾙﾀﾞを指定してください"));
    QCOMPARE(calls[1].first, &settingsDialog);
    QCOMPARE(calls[1].second, QStringLiteral("WinAMPのあるフォルダを選択してください"));
}

void TestFolderChooser::realDialogAsksForAFolderFromTheDesktop_data()
{
    QTest::addColumn<bool>("withDesktop");
    QTest::newRow("desktop folder") << true;
    QTest::newRow("no desktop folder") << false;
}

void TestFolderChooser::realDialogAsksForAFolderFromTheDesktop()
{
    QFETCH(bool, withDesktop);
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    const QString desktop = home.filePath("Desktop");
    if (withDesktop)
        QVERIFY(QDir().mkpath(desktop));
    const QString expected = withDesktop ? desktop : home.path();
    QCOMPARE(FolderChooser::startFolder(), expected);

    QWidget owner;
    bool seen = false;
    answerModal<QFileDialog>([&](QFileDialog* dialog) {
        seen = true;
        QCOMPARE(dialog->windowTitle(), QStringLiteral("WinAMPのSkinﾌｫﾙﾀﾞを選択してください"));
        QCOMPARE(dialog->parentWidget(), &owner);
        QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
        QVERIFY(dialog->testOption(QFileDialog::ShowDirsOnly));
        QCOMPARE(QDir(dialog->directory()).canonicalPath(), QDir(expected).canonicalPath());
        dialog->reject();
    });
    const QString result = Folder_Browse_Opt(&owner, "WinAMPのSkinﾌｫﾙﾀﾞを選択してください");
    qputenv("HOME", oldHome);
    QVERIFY(seen);
    QVERIFY(result.isEmpty()); // cancelled
}

QTEST_MAIN(TestFolderChooser)
#include "tst_folderchooser.moc"
