// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/undohistory.h"
#include "platform/trash.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace TestSupport;
using Type = UndoHistory::Change::Type;

// Each step taken back in turn, newest first, and nothing touched by one that cannot be.
class TestUndoHistory : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void stepsComeBackNewestFirst();
    void anUndoThatCannotBeDoneChangesNothing();

private:
    QString skins() const { return slashed(m_dir->path()) + "skins/"; }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestUndoHistory::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->path() + "/data")));
    QVERIFY(makeSkin(skins(), "Green") && makeSkin(skins(), "Blue") && makeSkin(m_dir->path() + "/dl", "New"));
}

void TestUndoHistory::stepsComeBackNewestFirst()
{
    UndoHistory history;
    int told = 0;
    history.setOnChange([&] { ++told; });
    QCOMPARE(history.caption(), QStringLiteral("元に戻す(&Z)"));
    // Added from a download folder, then renamed, then deleted.
    QVERIFY(QDir().rename(m_dir->path() + "/dl/New", skins() + "New"));
    history.recordMoved(UndoHistory::Kind::Add, m_dir->path() + "/dl/New", skins() + "New");
    QVERIFY(QDir().rename(skins() + "Green", skins() + "Teal"));
    history.recordMoved(UndoHistory::Kind::Rename, skins() + "Green", skins() + "Teal");
    QString inTrash;
    QVERIFY(!Trash::moveToTrash(skins() + "Blue", &inTrash));
    history.recordDeleted(skins() + "Blue", inTrash);
    history.record(UndoHistory::Kind::Drop, {}); // nothing done, nothing kept
    QCOMPARE(history.size(), 3);
    QCOMPARE(history.caption(), QStringLiteral("元に戻す(&Z) - 「Blue」の削除"));

    QString back;
    QVERIFY(!history.undo(&back));
    QCOMPARE(back, skins() + "Blue");
    QVERIFY(QFileInfo::exists(skins() + "Blue/main.bmp"));
    QCOMPARE(QDir(m_dir->path() + "/data/Trash/info").entryList(QDir::Files), QStringList());
    QCOMPARE(history.caption(), QStringLiteral("元に戻す(&Z) - 「Green」の名前の変更"));
    QVERIFY(!history.undo());
    QCOMPARE(QDir(skins()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), (QStringList { "Blue", "Green", "New" }));
    QVERIFY(!history.undo());
    QVERIFY(QFileInfo::exists(m_dir->path() + "/dl/New/main.bmp") && !QFileInfo::exists(skins() + "New"));
    QVERIFY(history.isEmpty());
    QCOMPARE(told, 6);
    QCOMPARE(history.undo().number, Error::InvalidCall);
}

void TestUndoHistory::anUndoThatCannotBeDoneChangesNothing()
{
    UndoHistory history;
    // Two skins added as one step; the old place of one of them is taken again since.
    QVERIFY(QDir().rename(skins() + "Green", skins() + "Green2"));
    history.record(UndoHistory::Kind::Add,
        { { Type::Moved, m_dir->path() + "/dl/Blue", skins() + "Blue" },
            { Type::Moved, m_dir->path() + "/dl/Green", skins() + "Green2" } });
    QVERIFY(QDir().mkpath(m_dir->path() + "/dl/Green"));
    const RunError taken = history.undo();
    QCOMPARE(taken.number, Error::FileAlreadyExists);
    QVERIFY(taken.detail.startsWith(m_dir->path() + "/dl/Green: "));
    QVERIFY(QFileInfo::exists(skins() + "Blue/main.bmp") && !QFileInfo::exists(m_dir->path() + "/dl/Blue"));
    QCOMPARE(history.size(), 1);

    // A skin deleted whose place is taken, then whose trash entry is gone.
    QString inTrash;
    QVERIFY(!Trash::moveToTrash(skins() + "Blue", &inTrash));
    history.recordDeleted(skins() + "Blue", inTrash);
    QVERIFY(makeSkin(skins(), "Blue", "main.bmp", Qt::red));
    QCOMPARE(history.undo().number, Error::FileAlreadyExists);
    QVERIFY(QFileInfo::exists(inTrash + "/main.bmp"));
    QVERIFY(QDir(skins() + "Blue").removeRecursively());
    QVERIFY(QFile::remove(m_dir->path() + "/data/Trash/info/Blue.trashinfo"));
    QCOMPARE(history.undo().number, Error::FileNotFound);
    QVERIFY(QFileInfo::exists(inTrash + "/main.bmp") && !QFileInfo::exists(skins() + "Blue"));
    QCOMPARE(history.size(), 2);
}

QTEST_GUILESS_MAIN(TestUndoHistory)
#include "tst_undohistory.moc"
