// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmmain.h"
#include "app/previewcell.h"
#include "dialogs/folderchooser.h"
#include "platform/store.h"
#include "tests/support/boxrecorder.h"
#include "tests/support/gridwindow.h"
#include "tests/support/storehelpers.h"
#include "tests/support/testsupport.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace TestStore;

using namespace TestSupport;

namespace {

QString chooserAnswer;
QString chooserTitle;
int chooserCalls = 0;

QString fakeChooser(QWidget*, const QString& title)
{
    ++chooserCalls;
    chooserTitle = title;
    return chooserAnswer;
}

dev_t deviceOf(const QString& path)
{
    struct stat st
    {
    };
    stat(QFile::encodeName(path).constData(), &st);
    return st.st_dev;
}

} // namespace

class TestFileCommands : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void deleteMovesTheSelectedSkinIntoTheTrash();
    void deleteLeavesTheSkinWhenTheMoveFails_data();
    void deleteLeavesTheSkinWhenTheMoveFails();
    void deleteWithoutASelectedCellDoesNothing();
    void deleteTakesTheSkinNotTextTypedOverIt();
    void deleteOnAnotherFileSystemUsesItsTrash();
    void addMovesTheChosenFolderIn();
    void addLeavesTheFolderWhenTheMoveFails();
    void cancelledAddChangesNothing();
    void onlySkinsAreAddedAndACollectionIsOffered();
    void undoBringsBackDeletedRenamedAndAdded();
    void undoGivesWinampBackTheSkinItUsed();
    void renameCommandFocusesTheSelectedNameBox();
    void clickingANameSelectsItsSkin();
    void enterRenamesAndLeavingAfterwardsDoesNothing();
    void keysAfterARenameReachNoOtherSkin();
    void unchangedTextNeverRenames();
    void letterCaseIsAChange();
    void escapeRestoresTheOldName();
    void renamingOntoAnotherSkinFailsWithItsNumber();
    void aPopUpMenuDoesNotEndTheEdit();
    void aGridRebuiltUnderTheBoxIsNoRename();
    void leavingForAnotherBoxRenamesThenFocusesIt();
    void namesThatAreNotOnePlainNameAreRefused_data();
    void namesThatAreNotOnePlainNameAreRefused();
    void openHandsTheFolderToTheDesktop();
    void applyAndStartUseTheWinampFolder();
    void quitClosesTheWindow();
    void contextMenuCommandsAsAUserPicksThem();
    void closingTheProgramMidEditRenamesNothing();
    void archivesShowAndUnpack();

private:
    QString skins() const { return slashed(m_dir->path()) + "skins/"; }
    // The desktop's trash, under a data folder of the test's own.
    QString trash() const { return slashed(m_dir->path()) + "data/Trash/files/"; }
    QStringList listed() const;
    QStringList onDisk(const QString& folder) const
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    // The first page as the grid shows it, with the frame moved onto cell.
    void showGrid(int selectedCell);
    void showAndActivate();
    // Gives box cell the focus as a click does, then types text over its contents.
    void typeInto(int cell, const QString& text);

    QTemporaryDir* m_dir = nullptr;
    PageState m_state;
    frmmain* m_window = nullptr;
    QByteArray m_path;
};

void TestFileCommands::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    QVERIFY(qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->path() + "/data")));
    for (const char* name : { "Aqua", "Blue", "Green" })
        QVERIFY(makeSkin(skins(), name));
    m_state = PageState();
    m_window = new frmmain(m_state, slashed(m_dir->path()) + "program");
    m_window->makeCurrentFolder(skins());
    m_window->Skin_Rescan();
    QCOMPARE(listed(), (QStringList { "Aqua", "Blue", "Green" }));
    FolderChooser::setFunction(fakeChooser);
    chooserAnswer.clear();
    chooserTitle.clear();
    chooserCalls = 0;
    m_path = qgetenv("PATH");
}

void TestFileCommands::cleanup()
{
    FolderChooser::setFunction({});
    qputenv("PATH", m_path);
    qunsetenv("XDG_DATA_HOME");
    delete m_window;
    m_window = nullptr;
    delete m_dir;
    m_dir = nullptr;
}

QStringList TestFileCommands::listed() const
{
    QStringList names;
    for (int row = 0; row < m_window->Skin_Lst->count(); ++row)
        names.append(m_window->Skin_Lst->item(row)->text());
    return names;
}

void TestFileCommands::showGrid(int selectedCell)
{
    for (int i = 0; i < frmmain::cellCount; ++i) {
        const bool filled = i < m_window->Skin_Lst->count();
        m_window->Skin_Name[i]->setText(filled ? m_window->Skin_Lst->item(i)->text() : QString());
        m_window->Skin_Name[i]->setEnabled(filled);
    }
    m_window->SelectSq->move(m_window->Skin_Preview[selectedCell]->pos());
}

void TestFileCommands::showAndActivate()
{
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void TestFileCommands::typeInto(int cell, const QString& text)
{
    NameBox* box = m_window->Skin_Name[cell];
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(box->hasFocus());
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        QTest::keyClicks(box, text);
    QCOMPARE(box->text(), text);
}

void TestFileCommands::deleteMovesTheSelectedSkinIntoTheTrash()
{
    showGrid(2);
    m_window->file[2]->trigger();
    QCOMPARE(onDisk(skins()), (QStringList { "Aqua", "Blue" }));
    QVERIFY(QFileInfo::exists(trash() + "Green/main.bmp"));
    QCOMPARE(listed(), (QStringList { "Aqua", "Blue" }));
}

void TestFileCommands::deleteLeavesTheSkinWhenTheMoveFails_data()
{
    QTest::addColumn<QString>("boxText");
    QTest::addColumn<QString>("inTheWay"); // a file where the trash needs a folder
    QTest::newRow("no trash can be made") << "Green"
                                          << "data";
    QTest::newRow("the trash's files are no folder") << "Green"
                                                     << "data/Trash/files";
    QTest::newRow("box holds ..") << ".."
                                  << "";
    QTest::newRow("box holds a/b") << "a/b"
                                   << "";
    QTest::newRow("box holds ../Green") << "../skins/Green"
                                        << "";
    QTest::newRow("empty box") << ""
                               << "";
}

void TestFileCommands::deleteLeavesTheSkinWhenTheMoveFails()
{
    QFETCH(QString, boxText);
    QFETCH(QString, inTheWay);
    BoxRecorder boxes;
    const QString way = m_dir->path() + "/" + inTheWay;
    if (!inTheWay.isEmpty())
        QVERIFY(QDir().mkpath(QFileInfo(way).path()) && writeFile(way, "x"));
    QVERIFY(makeSkin(skins(), "Late")); // appears in the list only by a rescan
    showGrid(2);
    m_window->Skin_Name[2]->setText(boxText);
    const QStringList parent = onDisk(m_dir->path());

    m_window->file[2]->trigger();
    QCOMPARE(onDisk(skins()), (QStringList { "Aqua", "Blue", "Green", "Late" }));
    QVERIFY(QFileInfo::exists(skins() + "Green/main.bmp"));
    QCOMPARE(onDisk(m_dir->path()), parent);
    QCOMPARE(listed(), (QStringList { "Aqua", "Blue", "Green", "Late" }));
    // One box, after the rebuild: the number, then what failed (the skin, or the folder the
    // trash should be made in) and the system's reason if any.
    QCOMPARE(boxes.seen.size(), 1);
    const QString named = inTheWay.isEmpty() ? skins() + boxText : way + ": ";
    QVERIFY2(boxes.seen[0].text.section('\n', 2).startsWith(named), qPrintable(boxes.seen[0].text));
}

void TestFileCommands::deleteWithoutASelectedCellDoesNothing()
{
    showGrid(1);
    m_window->SelectSq->move(m_window->Skin_Preview[0]->pos() + QPoint(3, 3));
    QVERIFY(makeSkin(skins(), "Late"));
    m_window->file[2]->trigger();
    QCOMPARE(onDisk(skins()), (QStringList { "Aqua", "Blue", "Green", "Late" }));
    QCOMPARE(listed(), (QStringList { "Aqua", "Blue", "Green" }));
    QCOMPARE(m_window->selectedCell(), -1);
}

void TestFileCommands::deleteTakesTheSkinNotTextTypedOverIt()
{
    showAndActivate();
    showGrid(2);
    typeInto(2, "Blue"); // not committed: the box still stands for Green
    m_window->file[2]->trigger();
    QCOMPARE(onDisk(trash()), QStringList { "Green" });
    QCOMPARE(onDisk(skins()), (QStringList { "Aqua", "Blue" }));
}

void TestFileCommands::deleteOnAnotherFileSystemUsesItsTrash()
{
    QTemporaryDir other(QStringLiteral("/dev/shm/hadrel-XXXXXX"));
    if (!other.isValid())
        QSKIP("no /dev/shm here");
    if (deviceOf(other.path()) == deviceOf(m_dir->path()))
        QSKIP("/dev/shm and the temporary folder share a file system");
    const QString name = QFileInfo(other.path()).fileName();
    QVERIFY(makeSkin(other.path(), name));
    m_window->makeCurrentFolder(slashed(other.path()));
    m_window->Skin_Rescan();
    showGrid(0);
    m_window->file[2]->trigger();
    // Into that file system's own trash.
    const QString trash = QStringLiteral("/dev/shm/.Trash-%1/").arg(getuid());
    QVERIFY(QFileInfo::exists(trash + "files/" + name + "/main.bmp") && !QFileInfo::exists(other.filePath(name)));
    QVERIFY(QDir(trash + "files/" + name).removeRecursively() && QFile::remove(trash + "info/" + name + ".trashinfo"));
}

void TestFileCommands::addMovesTheChosenFolderIn()
{
    const QString downloads = slashed(m_dir->path()) + "my downloads/";
    QVERIFY(makeSkin(downloads, "Purple haze"));
    // Made long ago: the move keeps that time unless the command marks the skin as new.
    const timespec longAgo[2] = { { 0, UTIME_OMIT }, { 1000000000, 0 } };
    QCOMPARE(utimensat(AT_FDCWD, QFile::encodeName(downloads + "Purple haze").constData(), longAgo, 0), 0);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
    chooserAnswer = downloads + "Purple haze";
    showGrid(0);

    m_window->file[0]->trigger();
    QCOMPARE(chooserCalls, 1);
    QCOMPARE(chooserTitle, QStringLiteral("追加するSkinのﾌｫﾙﾀﾞを指定してください"));
    QVERIFY(QFileInfo::exists(skins() + "Purple haze/main.bmp"));
    QCOMPARE(onDisk(downloads), QStringList());
    QCOMPARE(listed(), (QStringList { "Aqua", "Blue", "Green", "Purple haze" }));
    QVERIFY(QFileInfo(skins() + "Purple haze").lastModified() >= before);
}

void TestFileCommands::addLeavesTheFolderWhenTheMoveFails()
{
    BoxRecorder boxes;
    const QString downloads = slashed(m_dir->path()) + "downloads/";
    QVERIFY(makeSkin(downloads, "Green", "main.bmp", Qt::red));
    QVERIFY(makeSkin(skins(), "Late"));

    // The same name in the skin folder: both stay, the list is rebuilt, the user is told.
    chooserAnswer = downloads + "Green";
    m_window->file[0]->trigger();
    QVERIFY(QFileInfo::exists(downloads + "Green/main.bmp"));
    QCOMPARE(onDisk(skins()), (QStringList { "Aqua", "Blue", "Green", "Late" }));
    QCOMPARE(listed(), (QStringList { "Aqua", "Blue", "Green", "Late" }));
    QCOMPARE(boxes.texts(),
        QStringList { "58\n既に同名のファイルが存在しています。\n" + skins() + "Green: " + qt_error_string(EEXIST) });

    // The root has no name; the skin folder and its parent are no folders to add.
    for (const QString& chosen : { QStringLiteral("/"), skins(), QString(m_dir->path()) }) {
        chooserAnswer = chosen;
        m_window->file[0]->trigger();
        QVERIFY2(QFileInfo(skins() + "Green/main.bmp").exists(), qPrintable(chosen));
        QCOMPARE(onDisk(skins()), (QStringList { "Aqua", "Blue", "Green", "Late" }));
    }
    QCOMPARE(boxes.seen.size(), 4);
    // From another file system the folder is copied in, and only then removed there.
    QTemporaryDir other(QStringLiteral("/dev/shm/hadrel-XXXXXX"));
    if (!other.isValid() || deviceOf(other.path()) == deviceOf(m_dir->path()))
        QSKIP("no other file system at /dev/shm");
    QVERIFY(makeSkin(other.path(), "Far"));
    chooserAnswer = other.filePath("Far");
    m_window->file[0]->trigger();
    QVERIFY(!QFileInfo::exists(other.filePath("Far")));
    QVERIFY(QFileInfo::exists(skins() + "Far/main.bmp"));
    QCOMPARE(boxes.seen.size(), 4);
}

void TestFileCommands::cancelledAddChangesNothing()
{
    QVERIFY(makeSkin(skins(), "Late"));
    chooserAnswer.clear();
    m_window->file[0]->trigger();
    QCOMPARE(chooserCalls, 1);
    QCOMPARE(listed(), (QStringList { "Aqua", "Blue", "Green" }));
}

void TestFileCommands::onlySkinsAreAddedAndACollectionIsOffered()
{
    BoxRecorder boxes;
    // A downloads folder: loose files, a folder that is no skin, and two skins.
    const QString downloads = slashed(m_dir->path()) + "Downloads";
    QVERIFY(QDir().mkpath(downloads + "/photos"));
    QVERIFY(writeFile(downloads + "/notes.txt", "x") && writeFile(downloads + "/photos/a.jpg", "x"));
    chooserAnswer = downloads + "/photos";
    m_window->file[0]->trigger();
    m_window->addDroppedSkins({ downloads + "/photos" });
    QCOMPARE(boxes.seen.size(), 2);
    QVERIFY(boxes.seen[1].text.endsWith("\n" + downloads + "/photos"));
    QVERIFY(QFileInfo::exists(downloads + "/photos/a.jpg"));

    QVERIFY(makeSkin(downloads, "Red") && makeSkin(downloads, "Teal"));
    const QStringList registered = { skins(), skins() + "old/", "", "", "" };
    for (int i = 0; i < 5; ++i)
        store(QString::number(i), registered[i]);
    // Cancelled, then added whole: each of its skins a skin of its own, the rest left.
    Messages::setNextAnswer(QMessageBox::Cancel);
    Messages::setNextAnswer(QMessageBox::Yes);
    chooserAnswer = downloads;
    m_window->file[0]->trigger();
    QCOMPARE(listed(), (QStringList { "Aqua", "Blue", "Green" }));
    m_window->addDroppedSkins({ downloads });
    const QList<Messages::Box> offers = Messages::takeAnswered();
    QCOMPARE(offers.size(), 2);
    QVERIFY(offers[0].text.startsWith("「Downloads」はSkinではなく、2個のSkinを含むフォルダです。"));
    QVERIFY(offers[0].buttons & QMessageBox::No); // a free slot to register it in
    QCOMPARE(listed(), (QStringList { "Aqua", "Blue", "Green", "Red", "Teal" }));
    QCOMPARE(onDisk(downloads), (QStringList { "notes.txt", "photos" }));
    QCOMPARE(m_window->mnuUndo->text(), QStringLiteral("元に戻す(&Z) - 2個のSkinのドロップ"));

    // Registered instead: the first free slot holds it, and it is shown.
    QVERIFY(makeSkin(downloads, "Red"));
    Messages::setNextAnswer(QMessageBox::No);
    m_window->file[0]->trigger();
    QCOMPARE(stored("2"), downloads + "/");
    QCOMPARE(m_window->Reg[2]->text(), downloads + "/");
    QCOMPARE(m_window->currentFolder(), downloads + "/");
    QCOMPARE(boxes.seen.size(), 2);
}

void TestFileCommands::undoBringsBackDeletedRenamedAndAdded()
{
    BoxRecorder boxes;
    showAndActivate();
    QVERIFY(!m_window->mnuUndo->isEnabled());
    const QString downloads = slashed(m_dir->path()) + "dl/";
    QVERIFY(makeSkin(downloads, "Red"));
    chooserAnswer = downloads + "Red";
    m_window->file[0]->trigger();
    showGrid(2);
    m_window->file[2]->trigger(); // Green into the trash
    showGrid(0);
    typeInto(0, "Sea");
    QTest::keyClick(m_window->Skin_Name[0], Qt::Key_Return);
    QCOMPARE(listed(), (QStringList { "Blue", "Red", "Sea" }));

    // Ctrl+Z, wherever the keys are, as long as no name box takes it for its own typing.
    m_window->Skin_Lst->setFocus();
    QTest::keyClick(m_window->Skin_Lst, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(listed(), (QStringList { "Aqua", "Blue", "Red" }));
    QCOMPARE(m_window->mnuUndo->text(), QStringLiteral("元に戻す(&Z) - 「Green」の削除"));
    // A skin of that name since: the undo says why and waits.
    QVERIFY(makeSkin(skins(), "Green", "main.bmp", Qt::red));
    m_window->mnuUndo->trigger();
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].text.section('\n', 0, 1), "元に戻せませんでした。\n58");
    QVERIFY(QDir(skins() + "Green").removeRecursively());
    m_window->mnuUndo->trigger();
    m_window->mnuUndo->trigger();
    QCOMPARE(onDisk(skins()), (QStringList { "Aqua", "Blue", "Green" }));
    QCOMPARE(onDisk(downloads + "Red"), QStringList { "main.bmp" });
    QVERIFY(!m_window->mnuUndo->isEnabled());
    QCOMPARE(boxes.seen.size(), 1);
}

void TestFileCommands::undoGivesWinampBackTheSkinItUsed()
{
    const QString amp = slashed(m_dir->path()) + "Winamp/";
    QVERIFY(QDir().mkpath(amp));
    const QByteArray cwd = "cwd=" + QFile::encodeName(skins()) + "\r\n";
    QVERIFY(writeFile(amp + "winamp.ini", cwd + "skin=Blue\r\n"));
    QVERIFY(saved("Amp", amp));
    Messages::setAnswerer([](const Messages::Box&) { return QMessageBox::Yes; });
    const auto answerNoMore = qScopeGuard([] { Messages::setAnswerer({}); });
    showAndActivate();
    m_window->Skin_Rescan();
    QCOMPARE(m_window->skinInUse(), QStringLiteral("Blue"));

    typeInto(1, "Navy");
    QTest::keyClick(m_window->Skin_Name[1], Qt::Key_Return);
    QCOMPARE(readAll(amp + "winamp.ini"), cwd + "skin=Navy\r\n");
    m_window->mnuUndo->trigger();
    QCOMPARE(readAll(amp + "winamp.ini"), cwd + "skin=Blue\r\n");
    QCOMPARE(m_window->skinInUse(), QStringLiteral("Blue"));

    showGrid(1);
    m_window->file[2]->trigger();
    QCOMPARE(readAll(amp + "winamp.ini"), cwd + "skin=\r\n");
    m_window->mnuUndo->trigger();
    QCOMPARE(listed(), (QStringList { "Aqua", "Blue", "Green" }));
    QCOMPARE(readAll(amp + "winamp.ini"), cwd + "skin=Blue\r\n");
    QCOMPARE(m_window->skinInUse(), QStringLiteral("Blue"));
}

void TestFileCommands::renameCommandFocusesTheSelectedNameBox()
{
    showAndActivate();
    showGrid(1);
    m_window->Skin_Lst->setFocus();
    m_window->file[3]->trigger();
    QTRY_VERIFY(m_window->Skin_Name[1]->hasFocus());
    QCOMPARE(m_window->Rename_Old(), QStringLiteral("Blue"));
    QCOMPARE(m_window->Skin_Lst->currentItem()->text(), QStringLiteral("Blue"));
}

void TestFileCommands::clickingANameSelectsItsSkin()
{
    showAndActivate();
    showGrid(0);
    QTest::mouseClick(m_window->Skin_Name[2], Qt::LeftButton);
    QCOMPARE(m_window->Skin_Lst->currentItem()->text(), QStringLiteral("Green"));
    QCOMPARE(m_window->Rename_Old(), QStringLiteral("Green"));
    // A box whose text names no skin leaves the selection as it was.
    m_window->Skin_Name[1]->setText("Nothing");
    QTest::mouseClick(m_window->Skin_Name[1], Qt::LeftButton);
    QCOMPARE(m_window->Skin_Lst->currentItem()->text(), QStringLiteral("Green"));
}

void TestFileCommands::enterRenamesAndLeavingAfterwardsDoesNothing()
{
    BoxRecorder boxes;
    showAndActivate();
    showGrid(2);
    typeInto(2, "Teal");
    QTest::keyClick(m_window->Skin_Name[2], Qt::Key_Return);
    QCOMPARE(onDisk(skins()), (QStringList { "Aqua", "Blue", "Teal" }));
    QVERIFY(QFileInfo::exists(skins() + "Teal/main.bmp"));
    QCOMPARE(listed(), (QStringList { "Aqua", "Blue", "Teal" }));

    // Leaving the box commits again: nothing changes, nothing is said.
    m_window->Skin_Lst->setFocus();
    QTRY_VERIFY(m_window->Skin_Lst->hasFocus());
    QCOMPARE(onDisk(skins()), (QStringList { "Aqua", "Blue", "Teal" }));
    QCOMPARE(boxes.seen.size(), 0);
}

void TestFileCommands::keysAfterARenameReachNoOtherSkin()
{
    showAndActivate();
    showGrid(1);
    typeInto(1, "Abc");
    QTest::keyClick(m_window->Skin_Name[1], Qt::Key_Return);
    QCOMPARE(onDisk(skins()), (QStringList { "Abc", "Aqua", "Green" }));
    // Box 1 now shows Aqua; the keys go on in the renamed skin's own box.
    QCOMPARE(m_state.Selected_Skin, QStringLiteral("Abc"));
    QCOMPARE(QApplication::focusWidget(), m_window->Skin_Name[0]);
    QTest::keyClicks(QApplication::focusWidget(), "d");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(onDisk(skins()), (QStringList { "Abcd", "Aqua", "Green" }));

    // Renamed onto another page: whatever the grid shows then, no box of another skin
    // takes the keys.
    QVERIFY(makeNumberedSkins(skins(), 30));
    m_window->Skin_Rescan();
    const QStringList before = onDisk(skins());
    typeInto(2, "Zulu");
    QTest::keyClick(m_window->Skin_Name[2], Qt::Key_Return);
    QCOMPARE(m_state.Selected_Skin, QStringLiteral("Zulu"));
    // Zulu is row 32: cell 8 of the third page.
    QCOMPARE(QApplication::focusWidget(), m_window->Skin_Name[8]);
    QTest::keyClicks(QApplication::focusWidget(), "xy");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QStringList expected = before;
    expected.replace(expected.indexOf("Green"), "Zuluxy");
    expected.sort();
    QCOMPARE(onDisk(skins()), expected);
}

void TestFileCommands::unchangedTextNeverRenames()
{
    BoxRecorder boxes;
    showAndActivate();
    showGrid(1);
    QVERIFY(makeSkin(skins(), "Late"));
    typeInto(1, "Blue");
    QTest::keyClick(m_window->Skin_Name[1], Qt::Key_Return);
    QTest::keyClick(m_window->Skin_Name[1], Qt::Key_Return);
    m_window->Skin_Lst->setFocus();
    QTRY_VERIFY(m_window->Skin_Lst->hasFocus());
    QCOMPARE(onDisk(skins()), (QStringList { "Aqua", "Blue", "Green", "Late" }));
    QCOMPARE(listed(), (QStringList { "Aqua", "Blue", "Green" })); // nothing rebuilt
    QCOMPARE(boxes.seen.size(), 0);
}

void TestFileCommands::letterCaseIsAChange()
{
    showAndActivate();
    showGrid(2);
    typeInto(2, "green");
    m_window->Skin_Lst->setFocus();
    QTRY_VERIFY(m_window->Skin_Lst->hasFocus());
    QCOMPARE(onDisk(skins()), (QStringList { "Aqua", "Blue", "green" }));
    QCOMPARE(listed(), (QStringList { "Aqua", "Blue", "green" }));
}

void TestFileCommands::escapeRestoresTheOldName()
{
    showAndActivate();
    showGrid(0);
    typeInto(0, "Sea");
    QTest::keyClick(m_window->Skin_Name[0], Qt::Key_Escape);
    QCOMPARE(m_window->Skin_Name[0]->text(), QStringLiteral("Aqua"));
    QTest::keyClick(m_window->Skin_Name[0], Qt::Key_Return);
    m_window->Skin_Lst->setFocus();
    QTRY_VERIFY(m_window->Skin_Lst->hasFocus());
    QCOMPARE(onDisk(skins()), (QStringList { "Aqua", "Blue", "Green" }));
}

void TestFileCommands::renamingOntoAnotherSkinFailsWithItsNumber()
{
    BoxRecorder boxes;
    showAndActivate();
    showGrid(2);
    QVERIFY(makeSkin(skins(), "Late"));
    typeInto(2, "Blue");
    QTest::keyClick(m_window->Skin_Name[2], Qt::Key_Return);

    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].title, QStringLiteral("Hadrel"));
    // The name that is taken, and why; the box shows its own skin again.
    QCOMPARE(boxes.seen[0].text,
        "58\n既に同名のファイルが存在しています。\n" + skins() + "Blue: " + qt_error_string(EEXIST));
    QCOMPARE(boxes.seen[0].icon, Messages::Icon::None);
    QVERIFY(QFileInfo::exists(skins() + "Green/main.bmp"));
    QVERIFY(QFileInfo::exists(skins() + "Blue/main.bmp"));
    QCOMPARE(m_window->Skin_Name[2]->text(), QStringLiteral("Green"));
    QCOMPARE(listed(), (QStringList { "Aqua", "Blue", "Green" })); // nothing rebuilt
    // Said once: leaving the box and coming back tries nothing again.
    m_window->Skin_Lst->setFocus();
    QTest::mouseClick(m_window->Skin_Name[2], Qt::LeftButton);
    QCOMPARE(boxes.seen.size(), 1);

    // The box still stands for Green: a second try renames Green, never Blue. (The
    // desktop gives the window back its activation; offscreen it must be asked.)
    showAndActivate();
    QVERIFY(m_window->Skin_Name[2]->hasFocus());
    m_window->Skin_Name[2]->selectAll();
    QTest::keyClicks(m_window->Skin_Name[2], "Teal");
    QTest::keyClick(m_window->Skin_Name[2], Qt::Key_Return);
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(onDisk(skins()), (QStringList { "Aqua", "Blue", "Late", "Teal" }));
}

void TestFileCommands::aPopUpMenuDoesNotEndTheEdit()
{
    showAndActivate();
    showGrid(2);
    typeInto(2, "Teal");
    bool sawPopup = false;
    QTimer::singleShot(0, this, [&] {
        QWidget* popup = QApplication::activePopupWidget();
        sawPopup = popup != nullptr;
        // Nothing is renamed while the menu is open.
        QVERIFY(QFileInfo::exists(skins() + "Green"));
        if (popup)
            QTest::keyClick(popup, Qt::Key_Escape);
    });
    m_window->FileMenu->exec(m_window->mapToGlobal(QPoint(50, 50)));
    QVERIFY(sawPopup);
    m_window->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), m_window);
    QVERIFY(m_window->Skin_Name[2]->hasFocus());
    QCOMPARE(m_window->Skin_Name[2]->text(), QStringLiteral("Teal"));
    QCOMPARE(onDisk(skins()), (QStringList { "Aqua", "Blue", "Green" }));

    QTest::keyClick(m_window->Skin_Name[2], Qt::Key_Return);
    QCOMPARE(onDisk(skins()), (QStringList { "Aqua", "Blue", "Teal" }));
}

void TestFileCommands::aGridRebuiltUnderTheBoxIsNoRename()
{
    BoxRecorder boxes;
    showAndActivate();
    showGrid(0);
    QTest::mouseClick(m_window->Skin_Name[0], Qt::LeftButton);
    QCOMPARE(m_window->Rename_Old(), QStringLiteral("Aqua"));
    // A refresh while the box has the focus puts another name into it.
    QVERIFY(QDir(skins()).rename("Aqua", "Cyan"));
    m_window->Skin_Rescan();
    showGrid(0);
    QCOMPARE(m_window->Skin_Name[0]->text(), QStringLiteral("Blue"));
    m_window->Skin_Lst->setFocus();
    QTRY_VERIFY(m_window->Skin_Lst->hasFocus());
    QCOMPARE(onDisk(skins()), (QStringList { "Blue", "Cyan", "Green" }));
    QCOMPARE(boxes.seen.size(), 0);
}

void TestFileCommands::leavingForAnotherBoxRenamesThenFocusesIt()
{
    showAndActivate();
    showGrid(0);
    typeInto(0, "Zinc");
    QTest::mouseClick(m_window->Skin_Name[2], Qt::LeftButton);
    // The rebuilt grid reads Blue, Green, Zinc: the keys go to Green, the skin clicked,
    // now in box 1, and never to Zinc in the box clicked.
    QTRY_VERIFY(m_window->Skin_Name[1]->hasFocus());
    QCOMPARE(m_window->Rename_Old(), QStringLiteral("Green"));
    QTest::keyClicks(m_window->Skin_Name[1], "2");
    QTest::keyClick(m_window->Skin_Name[1], Qt::Key_Return);
    QCOMPARE(onDisk(skins()), (QStringList { "Blue", "Green2", "Zinc" }));
}

void TestFileCommands::namesThatAreNotOnePlainNameAreRefused_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("dot dot") << "..";
    QTest::newRow("parent path") << "../Green";
    QTest::newRow("a/b") << "a/b";
    QTest::newRow("empty") << "";
}

void TestFileCommands::namesThatAreNotOnePlainNameAreRefused()
{
    QFETCH(QString, typed);
    BoxRecorder boxes;
    showAndActivate();
    showGrid(2);
    QVERIFY(makeSkin(skins(), "a"));
    const QStringList parent = onDisk(m_dir->path());
    typeInto(2, typed);
    m_window->Skin_Lst->setFocus();
    QTRY_COMPARE(boxes.seen.size(), 1);

    QCOMPARE(boxes.seen[0].title, m_window->windowTitle());
    QCOMPARE(boxes.seen[0].title, "Hadrel - " + skins());
    QCOMPARE(boxes.seen[0].text, "このファイル名は使えません\n「" + typed + "」");
    QCOMPARE(boxes.seen[0].icon, Messages::Icon::Critical);
    QCOMPARE(onDisk(skins()), (QStringList { "Aqua", "Blue", "Green", "a" }));
    QCOMPARE(onDisk(skins() + "a"), QStringList { "main.bmp" });
    QCOMPARE(onDisk(m_dir->path()), parent);
    QCOMPARE(listed(), (QStringList { "a", "Aqua", "Blue", "Green" })); // rebuilt
}

void TestFileCommands::openHandsTheFolderToTheDesktop()
{
    BoxRecorder boxes;
    const QString bin = slashed(m_dir->path()) + "bin/";
    QVERIFY(QDir().mkpath(bin));
    QVERIFY(qputenv("PATH", QFile::encodeName(bin)));

    // No file manager to start: the user is told so.
    m_window->Open_->trigger();
    QCOMPARE(boxes.seen.size(), 1);
    // The folder is there; what is missing is the opener, and the box says so.
    QCOMPARE(boxes.seen[0].text,
        "53\nファイルが見つかりません。\n" + skins()
            + ": xdg-open が見つかりません (xdg-utils をインストールしてください)");

    QVERIFY(installRecorder(bin, "xdg-open", "HADREL_UNSET"));
    const QString folder = slashed(m_dir->path()) + "my  skins/";
    QVERIFY(QDir().mkpath(folder));
    m_window->makeCurrentFolder(folder);
    m_window->Open_->trigger();
    QTRY_VERIFY(!recorded(bin, "xdg-open").isEmpty());
    QCOMPARE(recorded(bin, "xdg-open"), "[" + folder + "]\nHADREL_UNSET=unset\n");
    QCOMPARE(boxes.seen.size(), 1);
}

void TestFileCommands::applyAndStartUseTheWinampFolder()
{
    const QString amp = slashed(m_dir->path()) + "Winamp/";
    QVERIFY(QDir().mkpath(amp));
    QVERIFY(writeFile(amp + "winamp.ini", "cwd=old\r\nskin=Old\r\n"));
    QVERIFY(saved("Amp", amp));
    QCOMPARE(m_window->ampPath(), amp);

    m_state.Selected_Skin = "Blue";
    m_window->file[5]->trigger();
    QFile ini(amp + "winamp.ini");
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll(), "cwd=" + QFile::encodeName(skins()) + "\r\nskin=Blue\r\n");
    ini.close();

    const QString bin = slashed(m_dir->path()) + "bin/";
    QVERIFY(QDir().mkpath(bin));
    QVERIFY(qputenv("PATH", QFile::encodeName(bin)));
    QVERIFY(installRecorder(bin, "wine", "HADREL_UNSET"));
    QVERIFY(writeFile(amp + "Winamp.exe", "MZ"));
    m_state.Selected_Skin = "Green";
    m_window->file[6]->trigger();
    QTRY_VERIFY(!recorded(bin, "wine").isEmpty());
    QCOMPARE(recorded(bin, "wine"), "[" + amp + "Winamp.exe]\nHADREL_UNSET=unset\n");
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll(), "cwd=" + QFile::encodeName(skins()) + "\r\nskin=Green\r\n");
    ini.close();

    // A name Winamp could not read: the user is told, the file stays, Winamp starts anyway.
    QVERIFY(qunsetenv("LC_ALL") && qunsetenv("LC_CTYPE") && qputenv("LANG", "ja_JP.UTF-8"));
    QVERIFY(QFile::remove(bin + "wine.log"));
    BoxRecorder boxes;
    QVERIFY(makeSkin(skins(), "波〜"));
    m_state.Selected_Skin = "波〜";
    m_window->file[5]->trigger();
    m_window->file[6]->trigger();
    QTRY_VERIFY(QFileInfo::exists(bin + "wine.log"));
    const QString text = "「波〜」はWinampが読める文字(コードページ 932)で書けない文字を含んでいます。\n"
                         "名前を変えてから使ってください。";
    QCOMPARE(boxes.seen.size(), 2);
    QCOMPARE(boxes.seen[1].text, text);
    QCOMPARE(boxes.seen[0].title, QStringLiteral("Hadrel"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll(), "cwd=" + QFile::encodeName(skins()) + "\r\nskin=Green\r\n");
    ini.close();

    // A read-only winamp.ini is named with what is wrong with it.
    QVERIFY(QFile::setPermissions(amp + "winamp.ini", QFile::ReadOwner));
    m_state.Selected_Skin = "Blue";
    m_window->file[5]->trigger();
    QCOMPARE(boxes.seen[2].text, "75\nパス名またはファイル名が無効です。\n" + amp + "winamp.ini: 読み取り専用です");
    // A skin gone since the scan is said, and Winamp is not pointed at it.
    QVERIFY(QFile::setPermissions(amp + "winamp.ini", QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(QDir(skins() + "Blue").removeRecursively());
    m_window->file[5]->trigger();
    QCOMPARE(boxes.seen[3].text.section('\n', 1), skins() + "Blue");
    QCOMPARE(readAll(amp + "winamp.ini"), "cwd=" + QFile::encodeName(skins()) + "\r\nskin=Green\r\n");
}

void TestFileCommands::contextMenuCommandsAsAUserPicksThem()
{
    const QString amp = slashed(m_dir->path()) + "Winamp/";
    QVERIFY(QDir().mkpath(amp));
    QVERIFY(writeFile(amp + "winamp.ini", "[Winamp]\r\ncwd=old\r\nskin=Old\r\nvolume=200\r\n"));
    QVERIFY(saved("Amp", amp));
    showAndActivate();

    // Right button on a preview, then keys into the pop-up, as a user picks an entry.
    auto pick = [this](int cell, int downs) {
        QStringList shown;
        auto* poll = new QTimer(this);
        poll->setInterval(5);
        connect(poll, &QTimer::timeout, this, [poll, downs, &shown, this] {
            QWidget* popup = QApplication::activePopupWidget();
            if (!popup)
                return;
            poll->stop();
            poll->deleteLater();
            for (QAction* action : m_window->FileMenu->actions()) {
                if (action->isVisible() && !action->isSeparator())
                    shown << action->text();
            }
            for (int i = 0; i < downs; ++i)
                QTest::keyClick(popup, Qt::Key_Down);
            QTest::keyClick(popup, Qt::Key_Return);
        });
        poll->start();
        QTest::mousePress(m_window->Skin_Preview[cell], Qt::RightButton);
        QTest::mouseRelease(m_window->Skin_Preview[cell], Qt::RightButton);
        return shown;
    };
    const QStringList contextEntries = { "削除(&D)", "名前の変更(&R)", "WINAMPで使う(&U)",
        "このSkinでWINAMPを起動する(&E)", "Winampでの見た目(&L)", "Readmeを読む(&M)",
        "似ているSkinを探す(&I)" };

    // "削除(&D)" on Blue's cell while Aqua is framed: the skin under the pointer goes.
    QTest::mouseClick(m_window->Skin_Preview[0], Qt::LeftButton);
    QCOMPARE(m_window->Skin_Lst->currentItem()->text(), QStringLiteral("Aqua"));
    QCOMPARE(pick(1, 1), contextEntries);
    QCOMPARE(onDisk(trash()), QStringList { "Blue" });
    QCOMPARE(listed(), (QStringList { "Aqua", "Green" }));

    // "WINAMPで使う(&U)" on Green's cell (now cell 1): two lines of winamp.ini change.
    QCOMPARE(pick(1, 3), contextEntries);
    QFile ini(amp + "winamp.ini");
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QCOMPARE(ini.readAll(), "[Winamp]\r\ncwd=" + QFile::encodeName(skins()) + "\r\nskin=Green\r\nvolume=200\r\n");

    // A name typed over Aqua is committed by the right press; the menu is for that skin.
    // Offscreen, a closed pop-up does not always give the activation back.
    m_window->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), m_window);
    typeInto(0, "Teal");
    QCOMPARE(pick(0, 1), contextEntries);
    QCOMPARE(onDisk(trash()), (QStringList { "Blue", "Teal" }));
    QCOMPARE(listed(), QStringList { "Green" });

    // The menu bar's File menu is back in its own state.
    QStringList mainState;
    for (QAction* action : m_window->FileMenu->actions()) {
        if (action->isVisible())
            mainState << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    QCOMPARE(mainState,
        (QStringList { "このﾌｫﾙﾀﾞを開く(&O)", "Skinを追加する", "-", "Hadrelの終了(&X)", m_window->mnuUndo->text() }));
}

void TestFileCommands::closingTheProgramMidEditRenamesNothing()
{
    showAndActivate();
    showGrid(1);
    typeInto(1, "Navy");
    // The window goes away under the box that holds the typed text.
    delete m_window;
    m_window = nullptr;
    QCOMPARE(onDisk(skins()), (QStringList { "Aqua", "Blue", "Green" }));
}

void TestFileCommands::quitClosesTheWindow()
{
    showAndActivate();
    for (int separator : { 1, 4 })
        m_window->file[separator]->trigger();
    QVERIFY(m_window->isVisible());
    m_window->file[7]->trigger();
    QVERIFY(!m_window->isVisible());
}

void TestFileCommands::archivesShowAndUnpack()
{
    for (const char* name : { "Paper-Amp.wsz", "base-2.91.wsz" })
        QVERIFY(QFile::copy(sharedSkinsFolder() + "/wsz/" + name, skins() + name));
    m_window->Skin_Rescan();
    QCOMPARE(listed(), (QStringList { "Aqua", "base-2.91.wsz", "Blue", "Green", "Paper-Amp.wsz" }));
    QTRY_VERIFY(!m_window->Skin_Preview[1]->pixmap().isNull() && !m_window->Skin_Preview[4]->pixmap().isNull());
    showAndActivate();

    // Only the framed archive's context menu offers to unpack it; the new folder is selected.
    auto unpackOffered = [this](int cell) {
        bool offered = false;
        whenOpen(this, [&](QWidget* popup) {
            offered = m_window->mnuUnpack->isVisible();
            QTest::keyClick(popup, Qt::Key_Escape);
        });
        QTest::mousePress(m_window->Skin_Preview[cell], Qt::RightButton);
        return offered;
    };
    QTest::mouseClick(m_window->Skin_Preview[4], Qt::LeftButton);
    QVERIFY(unpackOffered(4));
    m_window->mnuUnpack->trigger();
    QCOMPARE(m_window->Skin_Lst->currentItem()->text(), QStringLiteral("Paper-Amp"));
    QVERIFY(QFileInfo(skins() + "Paper-Amp/main.bmp").isFile() && QFileInfo(skins() + "Paper-Amp.wsz").isFile());
    QVERIFY(!unpackOffered(4)); // the new folder
}

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
