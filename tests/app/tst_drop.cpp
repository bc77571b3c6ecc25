// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmmain.h"
#include "ops/wszunpack.h"
#include "skins/pagestate.h"
#include "tests/support/boxrecorder.h"
#include "tests/support/testsupport.h"
#include "tests/support/zipwriter.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <memory>
#include <sys/stat.h>

using namespace TestSupport;

namespace {

QStringList listed(const QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names.append(list->item(i)->text());
    return names;
}

std::unique_ptr<QMimeData> urlsOf(const QStringList& paths)
{
    auto mime = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(QUrl::fromLocalFile(path));
    mime->setUrls(urls);
    return mime;
}

} // namespace

class TestDrop : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void addsRealArchivesAndSelectsTheLast();
    void refusesHostileArchivesAndTellsWhyOfEach();
    void movesDroppedFoldersAndIgnoresOtherFiles();
    void neverReplacesOnNameClashes();
    void copiesAFolderFromAnotherFileSystem();
    void acceptsOnlyWhatItCanAdd();
    void manyItemsShowProgressAndStopWhenCancelled();

private:
    // Drops paths onto the window as a file manager would, and runs what the drop queued.
    bool drop(const QStringList& paths);
    QString skins() const { return slashed(m_dir->path()) + "skins/"; }
    QString downloads() const { return slashed(m_dir->path()) + "downloads/"; }
    QString greenArchive(const QString& name);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<PageState> m_state;
    std::unique_ptr<frmmain> m_window;
};

void TestDrop::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(makeSkin(skins(), "Existing"));
    QVERIFY(QDir().mkpath(downloads()));
    m_state = std::make_unique<PageState>();
    m_window = std::make_unique<frmmain>(*m_state, slashed(m_dir->path()) + "program/");
    m_window->makeCurrentFolder(skins());
    m_window->Skin_Rescan();
    m_window->show();
    QCOMPARE(listed(m_window->Skin_Lst), QStringList({ "Existing" }));
}

void TestDrop::cleanup()
{
    m_window.reset();
    m_state.reset();
    m_dir.reset();
}

bool TestDrop::drop(const QStringList& paths)
{
    const auto mime = urlsOf(paths);
    const QPointF at = m_window->rect().center();
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window.get(), &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent event(at, Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    event.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(m_window.get(), &event);
    if (!event.isAccepted() || event.dropAction() != Qt::CopyAction)
        return false;
    QCoreApplication::sendPostedEvents(m_window.get(), QEvent::MetaCall);
    return true;
}

QString TestDrop::greenArchive(const QString& name)
{
    const QString path = downloads() + name;
    ZipWriter zip(path);
    zip.addFile("Green/main.bmp", tinyBitmap());
    zip.addFile("Green/readme.txt", "green");
    return zip.close() ? path : QString();
}

void TestDrop::addsRealArchivesAndSelectsTheLast()
{
    const QStringList archives = QDir(sharedSkinsFolder() + "/wsz").entryList({ "*.wsz" }, QDir::Files, QDir::Name);
    QVERIFY(archives.size() >= 6);
    QStringList dropped;
    for (const QString& archive : archives) {
        QVERIFY(QFile::copy(sharedSkinsFolder() + "/wsz/" + archive, downloads() + archive));
        dropped.append(downloads() + archive);
    }
    BoxRecorder boxes;
    QSignalSpy rebuilt(m_window->Skin_Lst->model(), &QAbstractItemModel::modelReset);

    QVERIFY(drop(dropped));

    QCOMPARE(boxes.texts(), QStringList());
    QCOMPARE(rebuilt.count(), 1);
    QStringList expected = { "Existing" };
    for (const QString& archive : archives) {
        const QString skin = QFileInfo(archive).completeBaseName();
        expected.append(skin);
        QVERIFY2(readAll(downloads() + archive) == readAll(sharedSkinsFolder() + "/wsz/" + archive),
            "the archive stays where it was");
        const QStringList files = tree(skins() + skin);
        QVERIFY(!files.isEmpty());
        // Of names equal but for case the archive's last is kept, under the first spelling.
        const QStringList published = tree(sharedSkinsFolder() + "/" + skin);
        for (const QString& file : files) {
            const QByteArray bytes = readAll(skins() + skin + "/" + file);
            const bool same = std::any_of(published.cbegin(), published.cend(), [&](const QString& name) {
                return name.compare(file, Qt::CaseInsensitive) == 0
                    && readAll(sharedSkinsFolder() + "/" + skin + "/" + name) == bytes;
            });
            QVERIFY2(same, qPrintable(skin + "/" + file + " differs from the published skin"));
        }
    }
    expected.sort(Qt::CaseInsensitive);
    QCOMPARE(listed(m_window->Skin_Lst), expected);
    QVERIFY(m_window->Skin_Lst->currentItem());
    QCOMPARE(m_window->Skin_Lst->currentItem()->text(), QFileInfo(archives.last()).completeBaseName());
    QCOMPARE(tree(skins()).filter(QRegularExpression("^\\.")), QStringList());
}

void TestDrop::refusesHostileArchivesAndTellsWhyOfEach()
{
    const QString outside = slashed(m_dir->path()) + "outside/";
    QVERIFY(QDir().mkpath(outside));
    QStringList dropped;
    auto archive = [this, &dropped](const QString& name) {
        dropped.append(downloads() + name);
        return dropped.last();
    };
    {
        ZipWriter zip(archive("DotDot.wsz"));
        zip.addFile("main.bmp", tinyBitmap());
        zip.addFile("../../outside/evil.txt", "x");
        QVERIFY(zip.close());
    }
    {
        ZipWriter zip(archive("Absolute.wsz"));
        zip.addFile("main.bmp", tinyBitmap());
        zip.addFile(outside + "evil.txt", "x");
        QVERIFY(zip.close());
    }
    {
        ZipWriter zip(archive("Link.zip"));
        zip.addSymlink("main.bmp", outside);
        QVERIFY(zip.close());
    }
    {
        ZipWriter zip(archive("Bomb.wsz"));
        zip.addFile("main.bmp", tinyBitmap());
        zip.addZeros("eqmain.bmp", WszUnpack::maxBytes + 1);
        QVERIFY(zip.close());
    }
    {
        ZipWriter zip(archive("Crowd.wsz"));
        for (int i = 0; i <= WszUnpack::maxEntries; ++i)
            zip.addFile(QStringLiteral("%1.txt").arg(i), {});
        QVERIFY(zip.close());
    }
    {
        ZipWriter zip(archive("Truncated.wsz"));
        zip.addFile("main.bmp", tinyBitmap().repeated(40));
        zip.addFile("text.bmp", tinyBitmap().repeated(40));
        QVERIFY(zip.close());
        QFile file(dropped.last());
        QVERIFY(file.resize(file.size() * 2 / 3));
    }
    {
        ZipWriter zip(archive("Readme.wsz"));
        zip.addFile("readme.txt", "not a skin");
        QVERIFY(zip.close());
    }
    QVERIFY(writeFile(archive("Text.zip"), "plain text, not a zip"));
    const QString good = greenArchive("Good.wsz");
    QVERIFY(!good.isEmpty());
    dropped.append(good);
    const QStringList before = tree(m_dir->path());

    BoxRecorder boxes;
    QVERIFY(drop(dropped));

    // The good archive is added and selected, those with unsafe names too (by base name,
    // inside); the others leave nothing and are told in one box, a line each with the reason.
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].title, QStringLiteral("Hadrel"));
    const QStringList lines = boxes.texts()[0].split('\n');
    const QStringList refused = dropped.mid(2, 6);
    QVERIFY2(lines.size() == refused.size() + 1, qPrintable(boxes.texts()[0]));
    const QStringList reasons
        = { "Skinではありません", "上限", "上限", "壊れています", "Skinではありません", "ZIP形式" };
    for (int i = 1; i < lines.size(); ++i) {
        QVERIFY2(lines[i].startsWith("「" + QFileInfo(refused[i - 1]).fileName() + "」"), qPrintable(lines[i]));
        QVERIFY2(lines[i].contains(reasons[i - 1]), qPrintable(lines[i]));
    }
    QCOMPARE(tree(outside), QStringList());
    QStringList after = before;
    for (const QString made : { "skins/Absolute", "skins/DotDot" })
        after << made << made + "/evil.txt" << made + "/main.bmp";
    after << "skins/Good"
          << "skins/Good/main.bmp"
          << "skins/Good/readme.txt";
    after.sort();
    QCOMPARE(tree(m_dir->path()), after);
    QCOMPARE(listed(m_window->Skin_Lst), QStringList({ "Absolute", "DotDot", "Existing", "Good" }));
    QCOMPARE(m_window->Skin_Lst->currentItem()->text(), QStringLiteral("Good"));
}

void TestDrop::movesDroppedFoldersAndIgnoresOtherFiles()
{
    QVERIFY(makeSkin(downloads(), "Blue"));
    QVERIFY(makeSkin(downloads(), "Aqua", "REGION.TXT"));
    QVERIFY(writeFile(downloads() + "notes.txt", "keep me"));
    const QString green = greenArchive("Green.wsz");
    QVERIFY(!green.isEmpty());
    BoxRecorder boxes;

    // A trailing slash, as some file managers send for folders, names the same folder.
    QVERIFY(drop({ downloads() + "Blue/", downloads() + "notes.txt", green, downloads() + "Aqua" }));

    QCOMPARE(boxes.texts(), QStringList());
    QCOMPARE(listed(m_window->Skin_Lst), QStringList({ "Aqua", "Blue", "Existing", "Green" }));
    QCOMPARE(m_window->Skin_Lst->currentItem()->text(), QStringLiteral("Aqua"));
    // Folders are moved, not copied; the archive and other files stay.
    QCOMPARE(tree(downloads()), QStringList({ "Green.wsz", "notes.txt" }));
    QVERIFY(QFileInfo(skins() + "Aqua/REGION.TXT").isFile());
    QVERIFY(QFileInfo(skins() + "Blue/main.bmp").isFile());
}

void TestDrop::neverReplacesOnNameClashes()
{
    QVERIFY(makeSkin(skins(), "Green", "main.bmp", Qt::red));
    const QByteArray oldGreen = readAll(skins() + "Green/main.bmp");
    QVERIFY(makeSkin(downloads() + "other", "Green", "main.bmp", Qt::blue));
    const QString wsz = greenArchive("Green.wsz");
    const QString zip = greenArchive("Green.zip");
    QVERIFY(!wsz.isEmpty() && !zip.isEmpty());
    BoxRecorder boxes;

    QVERIFY(drop({ wsz, downloads() + "other/Green", zip }));

    // The archives take the next free names; the folder of a taken name stays put.
    QCOMPARE(listed(m_window->Skin_Lst), QStringList({ "Existing", "Green", "Green (2)", "Green (3)" }));
    QCOMPARE(m_window->Skin_Lst->currentItem()->text(), QStringLiteral("Green (3)"));
    QCOMPARE(readAll(skins() + "Green/main.bmp"), oldGreen);
    QCOMPARE(readAll(skins() + "Green (2)/readme.txt"), QByteArray("green"));
    QVERIFY(QFileInfo(downloads() + "other/Green/main.bmp").isFile());
    QCOMPARE(boxes.texts().size(), 1);
    QVERIFY2(boxes.texts()[0].contains("「Green」")
            && boxes.texts()[0].contains(RunError::standardDescription(Error::FileAlreadyExists)),
        qPrintable(boxes.texts()[0]));
}

void TestDrop::copiesAFolderFromAnotherFileSystem()
{
    struct stat shm, here;
    if (stat("/dev/shm", &shm) != 0 || stat(QFile::encodeName(m_dir->path()).constData(), &here) != 0
        || shm.st_dev == here.st_dev)
        QSKIP("no /dev/shm on a file system of its own");
    QTemporaryDir elsewhere(QStringLiteral("/dev/shm/hadrel-drop-XXXXXX"));
    QVERIFY(elsewhere.isValid());
    QVERIFY(makeSkin(elsewhere.path(), "Far"));
    QVERIFY(QFile::link("main.bmp", elsewhere.path() + "/Far/link.bmp"));
    QVERIFY(makeSkin(elsewhere.path(), "Pipe"));
    QVERIFY(mkfifo(QFile::encodeName(elsewhere.path() + "/Pipe/fifo").constData(), 0600) == 0);
    const QStringList farTree = tree(elsewhere.path() + "/Far");
    BoxRecorder boxes;

    // Copied whole, links as links; the original goes only then.
    QVERIFY(drop({ elsewhere.path() + "/Far" }));
    QCOMPARE(boxes.texts(), QStringList());
    QCOMPARE(tree(skins() + "Far"), farTree);
    QCOMPARE(QFile::symLinkTarget(skins() + "Far/link.bmp"), skins() + "Far/main.bmp");
    QVERIFY(!QFile::exists(elsewhere.path() + "/Far"));
    QCOMPARE(listed(m_window->Skin_Lst), QStringList({ "Existing", "Far" }));

    // A FIFO cannot be copied: nothing half-copied stays, the original is untouched.
    QVERIFY(drop({ elsewhere.path() + "/Pipe" }));
    QCOMPARE(boxes.texts().size(), 1);
    QVERIFY2(boxes.texts()[0].contains("「Pipe」") && boxes.texts()[0].contains(elsewhere.path() + "/Pipe"),
        qPrintable(boxes.texts()[0]));
    QCOMPARE(tree(elsewhere.path() + "/Pipe"), QStringList({ "fifo", "main.bmp" }));
    QCOMPARE(QDir(skins()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList({ "Existing", "Far" }));
}

void TestDrop::acceptsOnlyWhatItCanAdd()
{
    QVERIFY(writeFile(downloads() + "notes.txt", "x"));
    QVERIFY(writeFile(downloads() + "picture.bmp", "x"));
    QVERIFY(makeSkin(downloads(), "Blue"));
    const auto enterWith = [this](const QStringList& paths) {
        const auto mime = urlsOf(paths);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_window.get(), &enter);
        return enter.isAccepted();
    };
    QVERIFY(!enterWith({ downloads() + "notes.txt", downloads() + "picture.bmp" }));
    QVERIFY(!enterWith({ downloads() + "missing.wsz" }));
    QVERIFY(enterWith({ downloads() + "notes.txt", downloads() + "Blue" }));

    auto text = std::make_unique<QMimeData>();
    text->setText(downloads() + "Blue");
    QDragEnterEvent textEnter(QPoint(10, 10), Qt::CopyAction, text.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window.get(), &textEnter);
    QVERIFY2(!textEnter.isAccepted(), "plain text is no path");

    // Without a current skin folder there is nowhere to add to: the folder stays.
    m_window->makeCurrentFolder(QString());
    QVERIFY(!enterWith({ downloads() + "Blue" }));
    m_window->addDroppedSkins({ downloads() + "Blue" });
    QVERIFY(QFileInfo(downloads() + "Blue/main.bmp").isFile());
}

void TestDrop::manyItemsShowProgressAndStopWhenCancelled()
{
    for (const char* name : { "One", "Two", "Three", "Four" })
        QVERIFY(makeSkin(downloads(), name));
    // A zero timer runs whenever the progress window lets events through.
    QStringList told;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&told] {
        auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (progress && !told.contains(progress->labelText()))
            told << progress->labelText();
        if (progress && told.size() == 2)
            progress->cancel();
    });
    watch.start(0);
    QVERIFY(drop({ downloads() + "One", downloads() + "Two", downloads() + "Three", downloads() + "Four" }));
    QCOMPARE(told, QStringList({ "Skinを追加しています (1 / 4)\nOne", "Skinを追加しています (2 / 4)\nTwo" }));
    QCOMPARE(listed(m_window->Skin_Lst), QStringList({ "Existing", "One" }));
}

QTEST_MAIN(TestDrop)
#include "tst_drop.moc"
